# Archives a Visual C++ 6.0 library from objects compiled for a newer
# compiler, under the names 6.0 gives:
#   - wchar_t is unsigned short there, not a type of its own, so every
#     decorated name that says wchar_t (_W) says unsigned short (G) instead;
#   - its runtime has no array operator new[] and delete[]: its compiler
#     calls operator new and delete for arrays, as the library's arrays of
#     plain values allow.
#   cmake -DNM=... -DOBJCOPY=... -DLIB=... -DOUT=... -DOBJECTS=a.obj;b.obj -P vc6_names.cmake
cmake_minimum_required(VERSION 3.20)
set(staged "${OUT}.staged")
execute_process(COMMAND ${LIB} /nologo /out:${staged} ${OBJECTS} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${LIB} failed")
endif()
execute_process(COMMAND ${NM} --format=just-symbols ${staged} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} failed")
endif()
string(REPLACE "\n" ";" symbols "${symbols}")
list(REMOVE_DUPLICATES symbols)
list(REMOVE_ITEM symbols "")
set(renames "")
foreach(symbol ${symbols})
  # Only decorated C++ names; string literals (??_C@) carry no types.
  if(NOT symbol MATCHES "^\\?" OR symbol MATCHES "^\\?\\?_C@")
    continue()
  endif()
  # The qualified name ends at the first @@; the types follow.
  string(FIND "${symbol}" "@@" end)
  if(end LESS 0)
    continue()
  endif()
  math(EXPR end "${end} + 2")
  string(SUBSTRING "${symbol}" 0 ${end} name)
  string(SUBSTRING "${symbol}" ${end} -1 types)
  if(types MATCHES "_W")
    string(REPLACE "_W" "G" types "${types}")
    string(APPEND renames "${symbol} ${name}${types}\n")
  endif()
endforeach()
string(APPEND renames "??_U@YAPAXI@Z ??2@YAPAXI@Z\n??_V@YAXPAX@Z ??3@YAXPAX@Z\n")
file(WRITE "${OUT}.names" "${renames}")
execute_process(COMMAND ${OBJCOPY} --redefine-syms=${OUT}.names ${staged} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJCOPY} failed")
endif()
file(REMOVE "${OUT}")
execute_process(COMMAND ${LIB} /nologo /out:${OUT} ${staged} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${LIB} failed")
endif()
file(REMOVE "${staged}" "${OUT}.names")
