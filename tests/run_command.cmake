# run(<command> <args>...) for the test scripts (cmake -P): runs the
# command, stops the script with the command and everything it printed when
# it fails, and leaves its standard output in `output`.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "${command}\nfailed (${result}):\n${output}\n${errors}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()
