# Cross-compiles for 32-bit x86 Windows with Debian's MinGW-w64 (g++-mingw-w64-i686).
# Usage: cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.toolchain.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(ZENTRIK_MINGW_TRIPLET i686-w64-mingw32)
# The posix threading flavour: the win32 one of this compiler has no std::mutex.
find_program(CMAKE_C_COMPILER NAMES ${ZENTRIK_MINGW_TRIPLET}-gcc-posix ${ZENTRIK_MINGW_TRIPLET}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ZENTRIK_MINGW_TRIPLET}-g++-posix ${ZENTRIK_MINGW_TRIPLET}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ZENTRIK_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZENTRIK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# How the C and C++ runtimes are linked (statically, where possible) is up to
# cmake/mingw_runtime.cmake, which the project includes for every MinGW build.

# Tests run under Wine in a prefix of the build's own, quietly and without a display; Wine's
# optional .NET and HTML engines are not wanted there.
find_program(ZENTRIK_WINE NAMES wine)
if(ZENTRIK_WINE AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml="
      DISPLAY= ${ZENTRIK_WINE})
endif()
