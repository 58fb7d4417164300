# Lays the payload out beside the wizard in DIST_DIR, replacing what an
# earlier run left there: the headers, every MinGW library and every Visual
# C++ library from PAYLOAD_DIR, the Visual C++ ones from VC_LIBS_DIR instead
# when it is given (all must be there).
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
set(vc_files)
foreach(folder lib_vc6 lib_vc2008/x86 lib_vc2008/x64 lib_vc2015/x86 lib_vc2015/x64)
  list(APPEND vc_files ${folder}/Gravoa.lib ${folder}/Gravow.lib)
endforeach()
if(NOT VC_LIBS_DIR)
  list(APPEND files ${vc_files})
  set(vc_files)
endif()
foreach(file ${files})
  if(NOT EXISTS "${PAYLOAD_DIR}/${file}")
    message(FATAL_ERROR "payload file missing: ${PAYLOAD_DIR}/${file}")
  endif()
  get_filename_component(dir "${DIST_DIR}/${file}" DIRECTORY)
  file(COPY "${PAYLOAD_DIR}/${file}" DESTINATION "${dir}")
endforeach()

foreach(file ${vc_files})
  if(NOT EXISTS "${VC_LIBS_DIR}/${file}")
    message(FATAL_ERROR "Visual C++ library missing: ${VC_LIBS_DIR}/${file}")
  endif()
  get_filename_component(dir "${DIST_DIR}/${file}" DIRECTORY)
  file(COPY "${VC_LIBS_DIR}/${file}" DESTINATION "${dir}")
endforeach()
