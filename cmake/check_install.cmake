# cmake --install of the build BUILD_DIR into PREFIX puts the tool, its manual page, the README
# and the JSON Schema where they belong, and the installed tool runs.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                OUTPUT_QUIET RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()
foreach(file bin/zentrik share/man/man1/zentrik.1 share/doc/zentrik/README.md
             share/doc/zentrik/zentrik.schema.json)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "cmake --install did not install ${file}")
  endif()
endforeach()
# Every page the installed README and its pages link to is installed too.
set(doc ${PREFIX}/share/doc/zentrik)
file(GLOB_RECURSE pages ${doc}/*.md)
foreach(page ${pages})
  get_filename_component(dir ${page} DIRECTORY)
  file(READ ${page} text)
  # Square brackets would split CMake's lists unevenly: mark each link, then drop them.
  string(REPLACE "](" "@LINK@" text "${text}")
  string(REPLACE "[" "" text "${text}")
  string(REPLACE "]" "" text "${text}")
  string(REGEX MATCHALL "@LINK@[^):#]+" links "${text}")
  foreach(link ${links})
    string(SUBSTRING "${link}" 6 -1 target)
    if(NOT EXISTS ${dir}/${target})
      message(FATAL_ERROR "the installed ${page} links to ${target}, which is not installed")
    endif()
  endforeach()
endforeach()
execute_process(COMMAND ${PREFIX}/bin/zentrik --version OUTPUT_VARIABLE version
                RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT version MATCHES "^zentrik ")
  message(FATAL_ERROR "the installed zentrik does not run: ${status} ${version}")
endif()
