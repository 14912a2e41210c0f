# Runs COMMAND (a list) and fails unless it ends with STATUS and prints a line
# matching REGEX on STREAM (stdout or stderr) and nothing on the other one:
# the command-line conventions of the project's programs (-h and --help on
# standard output with status 0, --version, an unknown option named on
# standard error with a pointer to --help and status 2).
execute_process(COMMAND ${COMMAND} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(STREAM STREQUAL "stdout")
  set(text "${out}")
  set(other "${err}")
else()
  set(text "${err}")
  set(other "${out}")
endif()
if(NOT status STREQUAL "${STATUS}")
  message(FATAL_ERROR "${COMMAND}: status ${status}, not ${STATUS}\nstdout: ${out}\nstderr: ${err}")
endif()
if(NOT text MATCHES "${REGEX}")
  message(FATAL_ERROR "${COMMAND}: no line matching '${REGEX}' on ${STREAM}:\n${text}")
endif()
if(NOT other STREQUAL "")
  message(FATAL_ERROR "${COMMAND}: printed on the other stream too:\n${other}")
endif()
