# Lays the payload out beside the wizard in DIST_DIR, replacing what an
# earlier run left there: the headers and every MinGW library from
# PAYLOAD_DIR (all must be there), and each Visual C++ folder that
# VC_LIBS_DIR (may be empty) holds both libraries of.
#   cmake -DPAYLOAD_DIR=... -DDIST_DIR=... [-DVC_LIBS_DIR=...] -P lay_out.cmake
foreach(old include lib_mingw_492 lib_mingw_ucrt lib_mingw_msvcrt lib_vc6 lib_vc2008 lib_vc2015)
  file(REMOVE_RECURSE "${DIST_DIR}/${old}")
endforeach()

set(files include/gravo.h include/graphics.h)
foreach(variant 492 ucrt msvcrt)
  foreach(arch x86 x64)
    list(APPEND files lib_mingw_${variant}/${arch}/libgravo.a lib_mingw_${variant}/${arch}/libgravow.a)
  endforeach()
endforeach()
foreach(file ${files})
  if(NOT EXISTS "${PAYLOAD_DIR}/${file}")
    message(FATAL_ERROR "payload file missing: ${PAYLOAD_DIR}/${file}")
  endif()
  get_filename_component(dir "${DIST_DIR}/${file}" DIRECTORY)
  file(COPY "${PAYLOAD_DIR}/${file}" DESTINATION "${dir}")
endforeach()

set(left_out)
foreach(folder lib_vc6 lib_vc2008/x86 lib_vc2008/x64 lib_vc2015/x86 lib_vc2015/x64)
  if(VC_LIBS_DIR AND EXISTS "${VC_LIBS_DIR}/${folder}/Gravoa.lib" AND EXISTS "${VC_LIBS_DIR}/${folder}/Gravow.lib")
    file(COPY "${VC_LIBS_DIR}/${folder}/Gravoa.lib" "${VC_LIBS_DIR}/${folder}/Gravow.lib"
         DESTINATION "${DIST_DIR}/${folder}")
  else()
    list(APPEND left_out ${folder})
  endif()
endforeach()
if(left_out)
  list(JOIN left_out ", " names)
  message(STATUS "dist: no Visual C++ libraries for ${names} (set GRAVO_VC_LIBS_DIR to a folder built on Windows)")
endif()
