# The Visual C++ libraries: Gravoa.lib and Gravow.lib of the graphics
# runtime in the Microsoft C++ ABI, for each Visual C++ folder of the
# payload, built with clang for *-pc-windows-msvc and archived with llvm-lib
# into GRAVO_PAYLOAD_DIR/<folder>/ (target gravo_payload_vc).
#
# No Microsoft headers can be had here, so the Windows and C headers are
# mingw-w64's and the few C++ headers the runtime includes come from the
# mingw-w64 g++; the parts of them used are header-only. Those headers take
# clang for GCC (-fgnuc-version, _MSC_VER undefined) while it still writes
# Microsoft-ABI code. Every library links into the projects its Visual C++
# generation makes, whichever C runtime they pick (/MT, /MD, Debug,
# Release; /ML for 6.0): no default library is named, nothing of the
# runtime is reached through dllimport, and no runtime function is defined
# here. Where clang's Microsoft ABI differs from cl.exe's, each object is
# compiled to assembly and mended there (vc_vftables.sed, vc6_names.sed).
# llvm-lib 19 lays the archives out as lib.exe does (two linker members,
# then the long names). tests/payload/check_vc_library.sh checks the
# archives.
# The LLVM version is part of the cached names, so that a build directory
# made with another version looks its tools up afresh.
set(gravo_vc_llvm 19)
find_program(GRAVO_VC_CLANG_${gravo_vc_llvm} NAMES clang++-${gravo_vc_llvm})
find_program(GRAVO_VC_LLVM_LIB_${gravo_vc_llvm} NAMES llvm-lib-${gravo_vc_llvm})
find_program(GRAVO_VC_SED NAMES sed)
foreach(tool GRAVO_VC_CLANG_${gravo_vc_llvm} GRAVO_VC_LLVM_LIB_${gravo_vc_llvm} GRAVO_VC_SED)
  if(NOT ${tool})
    message(FATAL_ERROR "${tool} not found: run scripts/setup, or set GRAVO_VC_LIBS_DIR to libraries built with Visual C++")
  endif()
endforeach()
set(GRAVO_VC_CLANG ${GRAVO_VC_CLANG_${gravo_vc_llvm}})
set(GRAVO_VC_LLVM_LIB ${GRAVO_VC_LLVM_LIB_${gravo_vc_llvm}})

# The include directories a mingw-w64 g++ searches, without its own
# compiler headers (clang brings its own).
function(gravo_vc_mingw_includes triple out)
  find_program(compiler_${triple} NAMES ${triple}-g++-posix ${triple}-g++ REQUIRED)
  execute_process(COMMAND ${compiler_${triple}} -xc++ -E -v -
    INPUT_FILE /dev/null OUTPUT_QUIET ERROR_VARIABLE listing RESULT_VARIABLE failed)
  string(REGEX MATCH "#include <\\.\\.\\.> search starts here:\n(.*)End of search list" found "${listing}")
  if(failed OR NOT found)
    message(FATAL_ERROR "cannot read the include directories of ${compiler_${triple}}")
  endif()
  string(REGEX REPLACE "[ \n]+" ";" dirs "${CMAKE_MATCH_1}")
  set(flags)
  foreach(dir ${dirs})
    if(dir)
      get_filename_component(dir "${dir}" REALPATH)
      if(NOT dir MATCHES "/lib/gcc/${triple}/[^/]+/include(-fixed)?$")
        list(APPEND flags -isystem ${dir})
      endif()
    endif()
  endforeach()
  set(${out} ${flags} PARENT_SCOPE)
endfunction()
gravo_vc_mingw_includes(i686-w64-mingw32 gravo_vc_includes_x86)
gravo_vc_mingw_includes(x86_64-w64-mingw32 gravo_vc_includes_x64)

set(gravo_vc_triple_x86 i686-pc-windows-msvc)
set(gravo_vc_triple_x64 x86_64-pc-windows-msvc)
set(gravo_vc_arch_flags_x86 -D_X86_)
set(gravo_vc_arch_flags_x64)
set(gravo_vc_common
  -fgnuc-version=4.2.1 -U_MSC_VER -nostdlibinc -D_CRTIMP=
  -include ${CMAKE_CURRENT_SOURCE_DIR}/vc_prelude.h -I ${CMAKE_CURRENT_SOURCE_DIR}/..
  -std=gnu++17 -O2 -fno-exceptions -fno-sized-deallocation -fno-addrsig
  -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX -D_WIN32_WINNT=0x0601
  -Wall -Wextra -Werror)
# Per generation, what its runtimes lack or name differently:
#   vc6     Visual C++ 6.0: no thread-safe local statics; its streams are
#           data only (the runtime puts the console under descriptors);
#           wchar_t is unsigned short (vc_prelude.h), and array new and
#           delete are plain new and delete (vc6_names.sed).
#   vc2008  2008 to 2013: no thread-safe local statics; streams through
#           __iob_func.
#   vc2015  2015 to 2026: the Universal CRT and its stdio entry points.
set(gravo_vc_flags_vc6 -fno-threadsafe-statics -Xclang -fno-wchar -DGRAVO_CRT_VC6)
set(gravo_vc_flags_vc2008 -fno-threadsafe-statics -DGRAVO_CRT_VC2008)
set(gravo_vc_flags_vc2015 -D_UCRT)
set(gravo_vc_mends_vc6 -f ${CMAKE_CURRENT_SOURCE_DIR}/vc_vftables.sed -f ${CMAKE_CURRENT_SOURCE_DIR}/vc6_names.sed)
set(gravo_vc_mends_vc2008 -f ${CMAKE_CURRENT_SOURCE_DIR}/vc_vftables.sed)
set(gravo_vc_mends_vc2015 ${gravo_vc_mends_vc2008})

set(gravo_vc_libraries)
foreach(folder vc6:x86 vc2008:x86 vc2008:x64 vc2015:x86 vc2015:x64)
  string(REPLACE ":" ";" fields ${folder})
  list(GET fields 0 generation)
  list(GET fields 1 arch)
  if(generation STREQUAL vc6)
    set(out_dir "${GRAVO_PAYLOAD_DIR}/lib_vc6")
  else()
    set(out_dir "${GRAVO_PAYLOAD_DIR}/lib_${generation}/${arch}")
  endif()
  set(obj_dir "${CMAKE_CURRENT_BINARY_DIR}/vc/${generation}-${arch}")
  set(flags --target=${gravo_vc_triple_${arch}} ${gravo_vc_arch_flags_${arch}} ${gravo_vc_common}
    ${gravo_vc_flags_${generation}} ${gravo_vc_includes_${arch}})
  set(common_objects)
  set(text_objects)
  foreach(source ${GRAVO_RUNTIME_SOURCES} ${GRAVO_RUNTIME_VC_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/vc_vector_delete.cpp
          ${GRAVO_RUNTIME_NARROW_SOURCES} ${GRAVO_RUNTIME_WIDE_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    set(object "${obj_dir}/${name}.obj")
    add_custom_command(OUTPUT ${object}
      COMMAND ${GRAVO_VC_CLANG} ${flags} -MD -MF ${object}.d -MT ${object} -S ${source} -o ${object}.s
      COMMAND ${GRAVO_VC_SED} -E -i ${gravo_vc_mends_${generation}} ${object}.s
      COMMAND ${GRAVO_VC_CLANG} --target=${gravo_vc_triple_${arch}} -c ${object}.s -o ${object}
      DEPENDS ${source} ${CMAKE_CURRENT_SOURCE_DIR}/vc_prelude.h ${CMAKE_CURRENT_SOURCE_DIR}/vc_vftables.sed
              ${CMAKE_CURRENT_SOURCE_DIR}/vc6_names.sed
      DEPFILE ${object}.d
      COMMENT "Compiling ${name}.cpp for lib_${generation} ${arch}"
      VERBATIM)
    if(source IN_LIST GRAVO_RUNTIME_NARROW_SOURCES OR source IN_LIST GRAVO_RUNTIME_WIDE_SOURCES)
      set(object_${name} ${object})
    else()
      list(APPEND common_objects ${object})
    endif()
  endforeach()
  foreach(kind a w)
    if(kind STREQUAL a)
      set(objects ${common_objects} ${object_text_narrow})
    else()
      set(objects ${common_objects} ${object_text_wide})
    endif()
    # Archived in their folder, so that members carry bare names.
    set(members)
    foreach(object ${objects})
      get_filename_component(member ${object} NAME)
      list(APPEND members ${member})
    endforeach()
    set(library "${out_dir}/Gravo${kind}.lib")
    add_custom_command(OUTPUT ${library}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
      COMMAND ${CMAKE_COMMAND} -E remove -f Gravo${kind}.lib
      COMMAND ${GRAVO_VC_LLVM_LIB} /nologo /out:Gravo${kind}.lib ${members}
      COMMAND ${CMAKE_COMMAND} -E copy Gravo${kind}.lib ${library}
      DEPENDS ${objects}
      WORKING_DIRECTORY ${obj_dir}
      VERBATIM)
    list(APPEND gravo_vc_libraries ${library})
  endforeach()
endforeach()
add_custom_target(gravo_payload_vc DEPENDS ${gravo_vc_libraries})
