# The Windows SDK of the clang-cl flavour, made from Wine on this machine: Wine's C runtime and
# Windows headers (unpacked from Debian's libwine-dev:i386, never installed) and import libraries
# of msvcrt.dll, kernel32.dll and ntdll.dll generated from the export tables of Wine's own 32-bit
# DLLs. Wine's import library of msvcrt lacks its C++ names (operator new and delete), so the
# libraries are made here, with llvm-dlltool, from what the DLLs really export.
#
# zentrik_wine_sdk(DIR): makes DIR/include/{msvcrt,windows} and DIR/lib/{msvcrt,kernel32,ntdll}.lib
# unless they are there already. The downloaded package stays in DIR, so a later run unpacks it
# again without downloading.

set(ZENTRIK_WINE_SDK_DLLS msvcrt kernel32 ntdll)

function(zentrik_wine_sdk_fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "clang-cl flavour: ${text}")
endfunction()

# Wine's 32-bit Windows DLLs (Debian's wine32:i386 installs them here).
function(zentrik_find_wine_dlls out)
  foreach(dir /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/wine/i386-windows
              /usr/lib32/wine/i386-windows /usr/local/lib/wine/i386-windows)
    if(EXISTS "${dir}/msvcrt.dll" AND EXISTS "${dir}/kernel32.dll")
      set(${out} "${dir}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  zentrik_wine_sdk_fail("no 32-bit Wine DLLs found; install wine32:i386 (after "
                        "dpkg --add-architecture i386)")
endfunction()

# Unpacks libwine-dev:i386 into DIR/unpacked, downloading it into DIR first when no copy is there.
function(zentrik_unpack_wine_headers dir)
  file(GLOB debs "${dir}/libwine-dev_*_i386.deb")
  if(NOT debs)
    find_program(ZENTRIK_APT_GET apt-get)
    if(NOT ZENTRIK_APT_GET)
      zentrik_wine_sdk_fail("Wine's headers come from Debian's libwine-dev:i386 package, and "
                            "there is no apt-get to download it; put its .deb into ${dir}")
    endif()
    message(STATUS "Downloading Wine's headers (libwine-dev:i386) into ${dir}")
    execute_process(COMMAND ${ZENTRIK_APT_GET} download libwine-dev:i386
                    WORKING_DIRECTORY "${dir}" RESULT_VARIABLE result OUTPUT_QUIET
                    ERROR_VARIABLE error)
    file(GLOB debs "${dir}/libwine-dev_*_i386.deb")
    if(NOT result EQUAL 0 OR NOT debs)
      zentrik_wine_sdk_fail("apt-get download libwine-dev:i386 failed (is the i386 "
                            "architecture added and its package index there?):\n${error}")
    endif()
  endif()
  list(GET debs 0 deb)
  file(REMOVE_RECURSE "${dir}/unpacked")
  execute_process(COMMAND dpkg -x "${deb}" "${dir}/unpacked" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    zentrik_wine_sdk_fail("dpkg -x ${deb} failed")
  endif()
endfunction()

# Writes DIR/lib/NAME.lib for Wine's NAME.dll. The export table names standard-call functions
# without their argument size, which the compiler's references carry (_Sleep@4); Wine's own
# import library knows it, so the definition file gets each name with its size and llvm-dlltool
# -k imports it by the plain name again.
function(zentrik_import_library dir dlls name)
  set(library "${dir}/lib/${name}.lib")
  if(EXISTS "${library}")
    return()
  endif()
  execute_process(COMMAND ${ZENTRIK_LLVM_READOBJ} --coff-exports "${dlls}/${name}.dll"
                  OUTPUT_VARIABLE exports RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    zentrik_wine_sdk_fail("llvm-readobj cannot read ${dlls}/${name}.dll")
  endif()
  set(wineLibrary "${dir}/unpacked/usr/lib/i386-linux-gnu/wine/i386-windows/lib${name}.a")
  execute_process(COMMAND ${ZENTRIK_LLVM_NM} "${wineLibrary}" OUTPUT_VARIABLE symbols
                  ERROR_QUIET)
  string(REGEX MATCHALL "__imp__[A-Za-z0-9_]+@[0-9]+" decorated "${symbols}")
  foreach(symbol IN LISTS decorated)
    string(REGEX REPLACE "^__imp__([A-Za-z0-9_]+)@([0-9]+)$" "\\1;\\2" parts "${symbol}")
    list(GET parts 0 function)
    list(GET parts 1 bytes)
    set("argumentBytes_${function}" "${bytes}")
  endforeach()

  string(REGEX MATCHALL "\n *Name: [^\n]+" names "${exports}")
  set(definition "LIBRARY ${name}.dll\nEXPORTS\n")
  foreach(line IN LISTS names)
    string(REGEX REPLACE "^\n *Name: " "" export "${line}")
    if(DEFINED "argumentBytes_${export}")
      string(APPEND definition "  ${export}@${argumentBytes_${export}}\n")
    else()
      string(APPEND definition "  ${export}\n")
    endif()
  endforeach()
  file(WRITE "${dir}/lib/${name}.def" "${definition}")
  execute_process(COMMAND ${ZENTRIK_LLVM_DLLTOOL} -m i386 -k -d "${dir}/lib/${name}.def"
                          -l "${library}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    zentrik_wine_sdk_fail("llvm-dlltool could not make ${library}")
  endif()
endfunction()

function(zentrik_wine_sdk dir)
  if(EXISTS "${dir}/include/windows/windows.h" AND EXISTS "${dir}/lib/ntdll.lib")
    return()
  endif()
  foreach(tool llvm-readobj llvm-nm llvm-dlltool)
    string(TOUPPER "ZENTRIK_${tool}" var)
    string(REPLACE "-" "_" var "${var}")
    find_program(${var} NAMES ${tool} ${tool}-16 ${tool}-15 ${tool}-14 REQUIRED)
  endforeach()
  zentrik_find_wine_dlls(dlls)
  file(MAKE_DIRECTORY "${dir}/include" "${dir}/lib")
  zentrik_unpack_wine_headers("${dir}")
  foreach(part msvcrt windows)
    file(REMOVE_RECURSE "${dir}/include/${part}")
    file(RENAME "${dir}/unpacked/usr/include/wine/wine/${part}" "${dir}/include/${part}")
  endforeach()
  foreach(name IN LISTS ZENTRIK_WINE_SDK_DLLS)
    zentrik_import_library("${dir}" "${dlls}" ${name})
  endforeach()
  file(REMOVE_RECURSE "${dir}/unpacked")
endfunction()
