# Rebuilds every sample into WORK_DIR and compares it with the committed one in SAMPLES_DIR.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${MAKE_SAMPLES} ${WORK_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_samples failed: ${status}")
endif()
foreach(name ${NAMES})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK_DIR}/${name}.rsmb
                          ${SAMPLES_DIR}/${name}.rsmb RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "samples/${name}.rsmb differs from what make_samples builds now; "
                        "run samples/regenerate.sh")
  endif()
endforeach()
