# Runs the replay runner on SCRIPT twice; both runs must print the same lines,
# equal to GOLDEN (line ends aside: Windows writes CRLF), and end with status 0.
#   cmake -DRUNNER=... -DSCRIPT=... -DGOLDEN=... -DOUT=... -P replay.cmake
foreach(run 1 2)
  execute_process(COMMAND ${RUNNER} ${SCRIPT} OUTPUT_FILE ${OUT}.${run} ERROR_VARIABLE err
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "run ${run} ended with status ${status}: ${err}")
  endif()
  if(err)
    message(FATAL_ERROR "run ${run} reported: ${err}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}.1 ${OUT}.2 RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "the same script gave different lines in two runs")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files --ignore-eol ${OUT}.1 ${GOLDEN}
                RESULT_VARIABLE differ)
if(differ)
  message(FATAL_ERROR "${OUT}.1 differs from ${GOLDEN}")
endif()
