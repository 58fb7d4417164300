# Strips the debugging sections and symbols from every executable in
# DIST_DIR, whoever laid it out there. What is stripped is kept in
# DEBUG_DIR/<the executable's path in DIST_DIR>.debug, which the stripped
# file names with its checksum (.gnu_debuglink), so that a debugger given a
# crash of the shipped program finds it. Fails when a stripped executable is
# larger than MAX_BYTES.
#   cmake -DDIST_DIR=... -DDEBUG_DIR=... -DOBJCOPY=... -DOBJDUMP=... -DMAX_BYTES=... -P strip_executables.cmake
file(GLOB_RECURSE executables RELATIVE "${DIST_DIR}" "${DIST_DIR}/*.exe")
foreach(exe ${executables})
  set(path "${DIST_DIR}/${exe}")
  set(debug "${DEBUG_DIR}/${exe}.debug")
  execute_process(COMMAND "${OBJDUMP}" -h "${path}" OUTPUT_VARIABLE sections COMMAND_ERROR_IS_FATAL ANY)
  # Already stripped (copied unchanged from an earlier run): its debug file stays as it is.
  if(sections MATCHES "[ \t]\\.debug_")
    get_filename_component(debug_dir "${debug}" DIRECTORY)
    file(MAKE_DIRECTORY "${debug_dir}")
    execute_process(COMMAND "${OBJCOPY}" --only-keep-debug "${path}" "${debug}" COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND "${OBJCOPY}" --strip-all "--add-gnu-debuglink=${debug}" "${path}"
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(SIZE "${path}" size)
  if(size GREATER MAX_BYTES)
    message(FATAL_ERROR "${exe} is ${size} bytes stripped, over the ${MAX_BYTES} bytes an executable may ship with")
  endif()
endforeach()
