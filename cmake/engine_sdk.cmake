# Builds the package against the engine's own SDK, its Core and Engine headers and import
# libraries, instead of the stand-in in engine/. The SDK comes with the engine and is not part of
# this repository. Defines the target zentrik_engine that the package links.
#
# The engine's modules are built with Microsoft's compiler for 32-bit x86; only a compiler with
# that C++ ABI (name decoration, member function pointers, exceptions) can use them: Visual
# Studio's 32-bit toolchain (cmake -S . -B build-sdk -A Win32 -DZENTRIK_ENGINE_SDK=C:/path/to/sdk)
# or clang-cl (cmake/clang-cl-i686.toolchain.cmake).
if(NOT WIN32)
  message(FATAL_ERROR "ZENTRIK_ENGINE_SDK: the engine's SDK builds Windows modules only")
endif()
if(NOT MSVC)
  message(WARNING "ZENTRIK_ENGINE_SDK: the engine's own import libraries need a compiler of "
                  "Microsoft's C++ ABI (Visual Studio with -A Win32, or clang-cl through "
                  "cmake/clang-cl-i686.toolchain.cmake); this compiler links only against an SDK "
                  "built with it")
endif()
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  message(FATAL_ERROR "ZENTRIK_ENGINE_SDK: the engine is 32-bit x86; configure with -A Win32")
endif()

set(ZENTRIK_ENGINE_INCLUDE_DIRS "${ZENTRIK_ENGINE_SDK}/Core/Inc;${ZENTRIK_ENGINE_SDK}/Engine/Inc"
    CACHE STRING "Folders of the engine SDK's Core and Engine headers")
set(ZENTRIK_ENGINE_LIBRARIES
    "${ZENTRIK_ENGINE_SDK}/Core/Lib/Core.lib;${ZENTRIK_ENGINE_SDK}/Engine/Lib/Engine.lib"
    CACHE STRING "The engine SDK's import libraries of its Core and Engine modules")
foreach(path IN LISTS ZENTRIK_ENGINE_INCLUDE_DIRS ZENTRIK_ENGINE_LIBRARIES)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "ZENTRIK_ENGINE_SDK: ${path} is missing; set ZENTRIK_ENGINE_INCLUDE_DIRS "
                        "and ZENTRIK_ENGINE_LIBRARIES to where this SDK keeps them")
  endif()
endforeach()

add_library(zentrik_engine INTERFACE)
target_include_directories(zentrik_engine INTERFACE ${ZENTRIK_ENGINE_INCLUDE_DIRS})
target_link_libraries(zentrik_engine INTERFACE ${ZENTRIK_ENGINE_LIBRARIES})
