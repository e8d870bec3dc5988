# command_lines(OUT DESCRIPTION COMMAND...): runs COMMAND and sets OUT to the lines of its output,
# as a list; stops the script, naming DESCRIPTION, when the command fails.
function(command_lines out description)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${description} failed")
  endif()
  # No line of the tools' output holds a ';', but keep list splitting out of its way anyway.
  string(REPLACE ";" "\\;" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()
