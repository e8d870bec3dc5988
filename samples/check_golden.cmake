# Runs the tool on TABLE and compares its standard output with the golden file EXPECTED.
# KIND txt: the report for people; json: the --json object.
if(KIND STREQUAL "json")
  set(extra --json)
endif()
execute_process(COMMAND ${TOOL} records --table ${TABLE} ${extra}
                OUTPUT_FILE ${ACTUAL} ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "zentrik exited with ${status}: ${errors}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${ACTUAL} ${EXPECTED}
                RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  execute_process(COMMAND diff -u ${EXPECTED} ${ACTUAL})
  message(FATAL_ERROR "${ACTUAL} differs from ${EXPECTED}; if the change is right, run "
                      "samples/regenerate.sh and check the new golden files by hand")
endif()
