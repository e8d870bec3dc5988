# Builds the package against the engine's own SDK, its Core and Engine headers and import
# libraries, instead of the stand-in in engine/. The SDK comes with the engine (version 432 is the
# one this package targets) and is not part of this repository. Defines the target
# zentrik_engine that the package links.
#
# The engine's modules are built with Microsoft's compiler for 32-bit x86; only a compiler with
# that C++ ABI (name decoration, member function pointers, exceptions) can use them: clang-cl
# (cmake/clang-cl-i686.toolchain.cmake) or Visual Studio's 32-bit toolchain
# (cmake -S . -B build-sdk -A Win32 -DZENTRIK_ENGINE_SDK=C:/path/to/sdk).
#
# The SDK's headers were written for an old compiler; three of their constructs are rejected by
# today's, none of which changes a type or a signature. The build corrects them in a copy of the
# headers in the build folder (the SDK's folder is only read) and includes that copy as system
# headers, so that their own warnings do not meet ours.
if(NOT WIN32)
  message(FATAL_ERROR "ZENTRIK_ENGINE_SDK: the engine's SDK builds Windows modules only; "
                      "configure with cmake/clang-cl-i686.toolchain.cmake")
endif()
if(NOT MSVC)
  message(FATAL_ERROR "ZENTRIK_ENGINE_SDK: the engine's import libraries need a compiler of "
                      "Microsoft's C++ ABI: clang-cl through cmake/clang-cl-i686.toolchain.cmake, "
                      "or Visual Studio with -A Win32")
endif()
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  message(FATAL_ERROR "ZENTRIK_ENGINE_SDK: the engine is 32-bit x86; configure with -A Win32")
endif()
if(ZENTRIK_NATIVE_WCHAR_T)
  message(FATAL_ERROR "ZENTRIK_ENGINE_SDK: the engine's SDK has 16-bit text as unsigned short; "
                      "configure without ZENTRIK_NATIVE_WCHAR_T")
endif()

get_filename_component(sdk "${ZENTRIK_ENGINE_SDK}" ABSOLUTE BASE_DIR "${CMAKE_BINARY_DIR}")
set(sdkLayout Core/Inc/Core.h Engine/Inc/Engine.h Core/Lib/Core.lib Engine/Lib/Engine.lib)
set(missing)
foreach(path IN LISTS sdkLayout)
  if(NOT EXISTS "${sdk}/${path}")
    list(APPEND missing "${path}")
  endif()
endforeach()
if(missing)
  string(REPLACE ";" ", " missingText "${missing}")
  message(FATAL_ERROR "ZENTRIK_ENGINE_SDK: ${sdk} does not have the layout of the engine's SDK: "
                      "it lacks ${missingText}. Name the folder that holds Core/ and Engine/, "
                      "each with Inc/ (headers) and Lib/ (import library).")
endif()

# The corrected copy: every header of Core/Inc and Engine/Inc, three of them changed. Each
# correction must find its text exactly as often as expected, so that another version of the SDK
# fails here, by name, rather than somewhere in its headers. Files are written only where they
# differ, so that configuring again rebuilds nothing.
set(corrected ${CMAKE_BINARY_DIR}/engine-sdk)
file(GLOB sdkHeaders RELATIVE "${sdk}" CONFIGURE_DEPENDS "${sdk}/Core/Inc/*" "${sdk}/Engine/Inc/*")
set(correctedHeaders Engine/Inc/UnModel.h Engine/Inc/UnActor.h Core/Inc/UnMem.h
    Core/Inc/UnObjBas.h)
foreach(header IN LISTS sdkHeaders)
  if(NOT header IN_LIST correctedHeaders)
    configure_file("${sdk}/${header}" "${corrected}/${header}" COPYONLY)
  endif()
endforeach()

# zentrik_correct(HEADER COUNT OLD NEW): replaces the COUNT occurrences of OLD in the corrected
# text of HEADER, kept in a global property until it is written. (CMake reads the SDK's CRLF line
# ends as LF, so the corrected headers have LF line ends; the compiler takes both alike.)
function(zentrik_correct header count old new)
  get_property(begun GLOBAL PROPERTY "zentrik_corrected:${header}" SET)
  if(begun)
    get_property(text GLOBAL PROPERTY "zentrik_corrected:${header}")
  else()
    file(READ "${sdk}/${header}" text)
  endif()
  string(LENGTH "${text}" before)
  string(REPLACE "${old}" "" without "${text}")
  string(LENGTH "${without}" after)
  string(LENGTH "${old}" length)
  math(EXPR found "(${before} - ${after}) / ${length}")
  if(NOT found EQUAL count)
    message(FATAL_ERROR "ZENTRIK_ENGINE_SDK: ${sdk}/${header} is not the header this build "
                        "corrects (\"${old}\" found ${found} times, not ${count}): another "
                        "version of the engine's SDK?")
  endif()
  string(REPLACE "${old}" "${new}" text "${text}")
  set_property(GLOBAL PROPERTY "zentrik_corrected:${header}" "${text}")
endfunction()

# A variable declared in a for statement was seen after the loop by the old compiler.
zentrik_correct(Engine/Inc/UnModel.h 1 "for( i=0; i<_NumZones; i++ )"
                "for( INT i=0; i<_NumZones; i++ )")
zentrik_correct(Engine/Inc/UnActor.h 1 "for( AActor* Top=this; Top->Owner; Top=Top->Owner );"
                "AActor* Top=this; for( ; Top->Owner; Top=Top->Owner );")
# Default arguments belong on the definitions of the three operator new, not on their friend
# declarations.
zentrik_correct(Core/Inc/UnMem.h 3 "INT Count, INT Align )"
                "INT Count=1, INT Align=DEFAULT_ALIGNMENT )")
zentrik_correct(Core/Inc/UnMem.h 3 "INT Count=1, INT Align=DEFAULT_ALIGNMENT );"
                "INT Count, INT Align );")
# A pointer to a member function is formed with &.
zentrik_correct(Core/Inc/UnObjBas.h 1 "(void(UObject::*)())TClass::StaticConstructor"
                "(void(UObject::*)())&TClass::StaticConstructor")

foreach(header IN LISTS correctedHeaders)
  get_property(text GLOBAL PROPERTY "zentrik_corrected:${header}")
  file(WRITE "${CMAKE_BINARY_DIR}/engine-sdk-staging/${header}" "${text}")
  configure_file("${CMAKE_BINARY_DIR}/engine-sdk-staging/${header}" "${corrected}/${header}"
                 COPYONLY)
endforeach()

add_library(zentrik_engine INTERFACE)
target_include_directories(zentrik_engine SYSTEM INTERFACE ${corrected}/Core/Inc
                           ${corrected}/Engine/Inc)
target_link_libraries(zentrik_engine INTERFACE "${sdk}/Core/Lib/Core.lib"
                      "${sdk}/Engine/Lib/Engine.lib")
if(NOT ZENTRIK_CLANG_CL)
  # 16-bit text as unsigned short, as the engine's modules have it (clang-cl: -Xclang -fno-wchar,
  # cmake/windows_runtime.cmake).
  target_compile_options(zentrik_engine INTERFACE /Zc:wchar_t-)
endif()
