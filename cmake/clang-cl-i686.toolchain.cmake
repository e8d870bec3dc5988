# Cross-compiles for 32-bit x86 Windows with clang-cl and lld-link, in Microsoft's C++ ABI: the
# name decoration, vtable layout and exception handling of the engine's own modules. Builds
# against Wine's C runtime and Windows headers and import libraries made from Wine's DLLs
# (cmake/wine_sdk.cmake), with no C++ standard library and no runtime DLL besides the system's
# msvcrt.dll. What Microsoft's C runtime start-up objects would add to each module comes from
# platform/ (cmake/windows_runtime.cmake).
# Usage: cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/clang-cl-i686.toolchain.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(ZENTRIK_CLANG_CL ON)

file(GLOB llvmBins /usr/lib/llvm-*/bin)
list(SORT llvmBins ORDER DESCENDING)
# zentrik_find_tool(VAR PACKAGE NAME): the tool NAME (or NAME-16 down to NAME-14) into VAR; a
# tool that is not found is listed, with the Debian PACKAGE that has it, in missingTools.
set(missingTools)
macro(zentrik_find_tool var package name)
  find_program(${var} NAMES ${name} ${name}-16 ${name}-15 ${name}-14 HINTS ${llvmBins})
  if(NOT ${var})
    list(APPEND missingTools "${name} (Debian's ${package})")
  endif()
endmacro()
zentrik_find_tool(CMAKE_C_COMPILER clang-tools clang-cl)
zentrik_find_tool(CMAKE_LINKER lld lld-link)
zentrik_find_tool(CMAKE_AR llvm llvm-lib)
# Reads the modules' export and import tables in the tests.
zentrik_find_tool(ZENTRIK_READOBJ llvm llvm-readobj)
if(missingTools)
  string(JOIN ", " missingText ${missingTools})
  message(FATAL_ERROR "clang-cl flavour: missing ${missingText}")
endif()
set(CMAKE_CXX_COMPILER ${CMAKE_C_COMPILER})
set(CMAKE_C_COMPILER_TARGET i686-pc-windows-msvc)
set(CMAKE_CXX_COMPILER_TARGET i686-pc-windows-msvc)
find_program(CMAKE_RC_COMPILER NAMES llvm-rc llvm-rc-16 llvm-rc-15 llvm-rc-14 HINTS ${llvmBins})
find_program(CMAKE_MT NAMES llvm-mt llvm-mt-16 llvm-mt-15 llvm-mt-14 HINTS ${llvmBins})

# Wine's headers and the import libraries, made once per build folder; ZENTRIK_WINE_SDK may name
# one made before. Compiler checks (try_compile) get the folder passed on and only use it.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZENTRIK_WINE_SDK)
if(NOT ZENTRIK_WINE_SDK)
  set(ZENTRIK_WINE_SDK ${CMAKE_BINARY_DIR}/wine-sdk CACHE PATH
      "Wine's headers and the import libraries made from Wine's DLLs" FORCE)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/wine_sdk.cmake)
zentrik_wine_sdk(${ZENTRIK_WINE_SDK})

# /Zl and /nodefaultlib: no runtime library is named in the objects or taken by default (the
# static runtimes and oldnames.lib are not here); only the import libraries below are linked.
# /GS-: no stack cookies, so no cookie set-up in the start-up code. /Zc:threadSafeInit-: local
# statics without the thread-safe guard, whose helpers live in Microsoft's static runtime; the
# modules' statics are set up on one thread (the first-load guard uses the kernel's one-time
# primitive). _MSVCR_VER=0: Wine's headers as for msvcrt.dll rather than the universal runtime.
# WINE_UNICODE_NATIVE: WCHAR is wchar_t, as in Microsoft's headers (Wine's own make it char16_t
# in C++), so that L"" texts pass to the Windows API. What else Microsoft's headers give and
# Wine's do not (C99 snprintf, the standard streams of msvcrt.dll, wchar_t as a typedef) comes
# from platform/windows_runtime/crt_compat_windows.h, put in front of every file.
set(flags "/EHsc /GR- /GS- /Zc:threadSafeInit- /Zl -D_MSVCR_VER=0 -DWINE_UNICODE_NATIVE")
string(APPEND flags " -imsvc ${ZENTRIK_WINE_SDK}/include/msvcrt")
string(APPEND flags " -imsvc ${ZENTRIK_WINE_SDK}/include/windows")
set(compat ${CMAKE_CURRENT_LIST_DIR}/../platform/windows_runtime/crt_compat_windows.h)
string(APPEND flags " /FI${compat}")
set(CMAKE_C_FLAGS_INIT "${flags}")
set(CMAKE_CXX_FLAGS_INIT "${flags}")

# The entry points are those of platform/'s start-up code; /safeseh fails the link when an
# object's exception handlers cannot be listed in the module's SafeSEH table.
set(CMAKE_EXE_LINKER_FLAGS_INIT "/nodefaultlib /safeseh /manifest:no /entry:mainCRTStartup")
set(CMAKE_SHARED_LINKER_FLAGS_INIT
    "/nodefaultlib /safeseh /manifest:no /entry:_DllMainCRTStartup@12")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${CMAKE_SHARED_LINKER_FLAGS_INIT}")
set(runtimeLibraries "")
foreach(name msvcrt kernel32 ntdll)
  string(APPEND runtimeLibraries " \"${ZENTRIK_WINE_SDK}/lib/${name}.lib\"")
endforeach()
set(CMAKE_C_STANDARD_LIBRARIES "${runtimeLibraries}" CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "${runtimeLibraries}" CACHE STRING "" FORCE)

# Compiler checks compile only: linking needs the start-up code, which the project builds.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH ${ZENTRIK_WINE_SDK})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests run their programs through our wrapper: under Wine in a prefix of the build's own,
# quietly and without a display, or, on a machine whose kernel runs no 32-bit programs (or that
# has no Wine), reported as skipped (SKIP_RETURN_CODE 77, set on each such test).
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_CURRENT_LIST_DIR}/run_windows_program.sh ${CMAKE_BINARY_DIR})
endif()
