# Cross build for 64-bit Windows with Debian's MinGW-w64 (POSIX threads model),
# as scripts/cross-windows uses it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MARLIN_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MARLIN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MARLIN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MARLIN_MINGW_TRIPLE}-windres)

# Libraries and headers come from the MinGW-w64 tree only, never from the
# build machine's /usr; programs (cmake, clang-format) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${MARLIN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in, so that an .exe runs without the compiler's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
