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

# Where Wine's 32-bit DLLs are installed (Debian's wine32:i386 puts them in the first). Empty to
# take them from the package alone.
set(ZENTRIK_WINE_DLL_DIRS /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/wine/i386-windows
    /usr/lib32/wine/i386-windows /usr/local/lib/wine/i386-windows
    CACHE STRING "Folders to look for Wine's installed 32-bit DLLs in")

# zentrik_download_deb(DIR NAME ARCH OUT): the path of the .deb of Debian's package NAME:ARCH in
# DIR, downloaded there with apt-get download unless a copy is there already.
function(zentrik_download_deb dir name arch out)
  set(package ${name}:${arch})
  file(GLOB debs "${dir}/${name}_*_${arch}.deb")
  if(NOT debs)
    find_program(ZENTRIK_APT_GET apt-get)
    if(NOT ZENTRIK_APT_GET)
      zentrik_wine_sdk_fail("this needs Debian's ${package} package, and there is no apt-get to "
                            "download it; put its .deb into ${dir}")
    endif()
    # apt-get finds no package of an architecture Debian was not told of.
    execute_process(COMMAND dpkg --print-architecture
                    OUTPUT_VARIABLE native OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND dpkg --print-foreign-architectures
                    OUTPUT_VARIABLE foreign ERROR_QUIET)
    string(REGEX MATCHALL "[^\n]+" architectures "${native}\n${foreign}")
    if(NOT arch IN_LIST architectures)
      zentrik_wine_sdk_fail("downloading ${package} needs Debian's ${arch} package "
                            "architecture: as root, dpkg --add-architecture ${arch} && "
                            "apt-get update")
    endif()
    message(STATUS "Downloading ${package} into ${dir}")
    execute_process(COMMAND ${ZENTRIK_APT_GET} download ${package}
                    WORKING_DIRECTORY "${dir}" RESULT_VARIABLE result OUTPUT_QUIET
                    ERROR_VARIABLE error)
    file(GLOB debs "${dir}/${name}_*_${arch}.deb")
    if(NOT result EQUAL 0 OR NOT debs)
      string(REGEX MATCH "E: [^\n]*" reason "${error}")
      zentrik_wine_sdk_fail("apt-get download ${package} failed: ${reason} (is the ${arch} "
                            "package index there? as root, apt-get update)")
    endif()
  endif()
  list(GET debs 0 deb)
  set(${out} "${deb}" PARENT_SCOPE)
endfunction()

# zentrik_find_wine_dlls(DIR OUT): a folder holding Wine's 32-bit msvcrt.dll, kernel32.dll and
# ntdll.dll. Where Wine is not installed for 32-bit programs (a machine whose kernel runs none
# has no use for it), those three are taken from Debian's libwine:i386 package into DIR/wine-dlls,
# without installing it.
function(zentrik_find_wine_dlls dir out)
  foreach(candidate IN LISTS ZENTRIK_WINE_DLL_DIRS)
    if(EXISTS "${candidate}/msvcrt.dll" AND EXISTS "${candidate}/kernel32.dll"
       AND EXISTS "${candidate}/ntdll.dll")
      set(${out} "${candidate}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(inside usr/lib/i386-linux-gnu/wine/i386-windows)
  set(unpacked "${dir}/wine-dlls")
  if(NOT EXISTS "${unpacked}/${inside}/ntdll.dll")
    zentrik_download_deb("${dir}" libwine i386 deb)
    file(REMOVE_RECURSE "${unpacked}")
    file(MAKE_DIRECTORY "${unpacked}")
    set(members)
    foreach(name IN LISTS ZENTRIK_WINE_SDK_DLLS)
      list(APPEND members "./${inside}/${name}.dll")
    endforeach()
    execute_process(COMMAND dpkg-deb --fsys-tarfile "${deb}"
                    COMMAND tar -x -C "${unpacked}" ${members}
                    RESULTS_VARIABLE results ERROR_VARIABLE error)
    if(NOT results MATCHES "^0;0$" OR NOT EXISTS "${unpacked}/${inside}/ntdll.dll")
      zentrik_wine_sdk_fail("cannot take Wine's DLLs out of ${deb}:\n${error}")
    endif()
  endif()
  set(${out} "${unpacked}/${inside}" PARENT_SCOPE)
endfunction()

# Unpacks libwine-dev:i386 into DIR/unpacked, downloading it into DIR first when no copy is there.
function(zentrik_unpack_wine_headers dir)
  zentrik_download_deb("${dir}" libwine-dev i386 deb)
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
    find_program(${var} NAMES ${tool} ${tool}-16 ${tool}-15 ${tool}-14)
    if(NOT ${var})
      zentrik_wine_sdk_fail("missing ${tool} (Debian's llvm)")
    endif()
  endforeach()
  file(MAKE_DIRECTORY "${dir}/include" "${dir}/lib")
  zentrik_find_wine_dlls("${dir}" dlls)
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
