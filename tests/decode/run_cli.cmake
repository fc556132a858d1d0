# Runs tavolo-cli and checks its exit status and, when EXPECTED is given, that
# its standard output equals that file byte for byte.
#   -DCLI=<tavolo-cli> -DARGS=<arguments separated by |> [-DEXPECTED=<file>] [-DSTATUS=<n>] [-DOUTPUT=<file>]
string(REPLACE "|" ";" ARGS "${ARGS}")
if(NOT DEFINED STATUS)
  set(STATUS 0)
endif()
if(NOT DEFINED OUTPUT)
  set(OUTPUT "${CMAKE_CURRENT_BINARY_DIR}/cli_output.txt")
endif()
execute_process(COMMAND "${CLI}" ${ARGS}
                OUTPUT_FILE "${OUTPUT}"
                ERROR_VARIABLE err
                RESULT_VARIABLE rc)
if(NOT rc EQUAL STATUS)
  message(FATAL_ERROR "tavolo-cli ${ARGS}: exit status ${rc}, expected ${STATUS}\n${err}")
endif()
if(NOT STATUS EQUAL 0 AND err STREQUAL "")
  message(FATAL_ERROR "tavolo-cli ${ARGS}: failed without a message on standard error")
endif()
if(DEFINED EXPECTED)
  if(NOT EXISTS "${EXPECTED}")
    message(FATAL_ERROR "missing expected output ${EXPECTED}")
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUTPUT}" "${EXPECTED}" RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    message(FATAL_ERROR "tavolo-cli ${ARGS}: output ${OUTPUT} differs from ${EXPECTED}")
  endif()
endif()
