# Builds the Windows Installer package from the layout dist made:
#   cmake -DDIST_DIR=... -DACTION=<GravoMsiAction.exe> -DVERSION=26.9.25
#         -DARCH=x86|x64 -DMSI=<package> -P package.cmake
# wixl takes the files' Source paths relative to where it runs, so it runs
# in DIST_DIR.
find_program(WIXL wixl)
find_program(MSIBUILD msibuild)
if(NOT WIXL OR NOT MSIBUILD)
  message(FATAL_ERROR "wixl and msibuild (packages wixl and msitools) are needed for the package: run scripts/setup")
endif()

# Every version below the next one is replaced, this one's rebuilds (with
# another ProductCode) included: wixl does not write IncludeMaximum.
string(REGEX MATCH "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$" parts "${VERSION}")
if(NOT parts)
  message(FATAL_ERROR "VERSION must be major.minor.build: ${VERSION}")
endif()
math(EXPR next_build "${CMAKE_MATCH_3} + 1")
set(next_version "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${next_build}")
if(ARCH STREQUAL x64)
  set(program_files ProgramFiles64Folder)
else()
  set(program_files ProgramFilesFolder)
endif()

file(RELATIVE_PATH action "${DIST_DIR}" "${ACTION}")
file(REMOVE "${MSI}")
execute_process(
  COMMAND "${WIXL}" -a ${ARCH} -D Version=${VERSION} -D NextVersion=${next_version} -D ProgramFiles=${program_files}
          -D ActionExe=${action} -o "${MSI}" "${CMAKE_CURRENT_LIST_DIR}/GravoSetup.wxs"
  WORKING_DIRECTORY "${DIST_DIR}"
  RESULT_VARIABLE wixl_result)
if(NOT wixl_result EQUAL 0 OR NOT EXISTS "${MSI}")
  message(FATAL_ERROR "wixl could not build ${MSI}")
endif()

# The environment list must reach the installation's server side also when
# a user without administrator rights installs the package as a managed
# application; wixl lists only the upgrade properties as secure. The undo
# actions run only when the installation fails (rollback, deferred, not
# impersonated: 18 + 256 + 1024 + 2048), which wixl cannot write.
foreach(query
    "UPDATE `Property` SET `Value` = 'ENVIRONMENTS;GRAVO_OLDER_FOUND;GRAVO_NEWER_FOUND' WHERE `Property` = 'SecureCustomProperties'"
    "UPDATE `CustomAction` SET `Type` = 3346 WHERE `Action` = 'UndoInstallIntoEnvironments' OR `Action` = 'UndoUninstallFromEnvironments'")
  execute_process(COMMAND "${MSIBUILD}" "${MSI}" -q "${query}" RESULT_VARIABLE msibuild_result)
  if(NOT msibuild_result EQUAL 0)
    file(REMOVE "${MSI}")
    message(FATAL_ERROR "msibuild could not change ${MSI}: ${query}")
  endif()
endforeach()
