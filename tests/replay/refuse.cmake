# A malformed script line is refused with its number and status 2 before anything runs.
file(WRITE ${OUT} "# fine\n5 key 88 down\n\n7 mouse middle down\n")
execute_process(COMMAND ${RUNNER} ${OUT} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 2 OR NOT err MATCHES "line 4: " OR out)
  message(FATAL_ERROR "status ${status}, stderr '${err}', stdout '${out}'")
endif()
