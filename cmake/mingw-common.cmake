# Shared part of the mingw-w64 toolchain files: posix thread model compilers,
# static C and C++ runtimes, and Wine to run what is built.
set(CMAKE_C_COMPILER ${GRAVO_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${GRAVO_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${GRAVO_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${GRAVO_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)
