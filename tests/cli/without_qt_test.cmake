# orvelin-cli links the core alone: no Qt library is loaded by it, and the
# commands that draw still run (through orvelin-cli-qt).
# Invoked with -DCLI=<orvelin-cli> -DEXAMPLES=<examples folder> -DWORK=<scratch folder>.
execute_process(COMMAND ldd ${CLI} OUTPUT_VARIABLE libs RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR libs MATCHES "libQt")
  message(FATAL_ERROR "orvelin-cli loads Qt:\n${libs}")
endif()
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${CLI} render ${EXAMPLES}/sphere.ov --view design -o ${WORK}/design.png
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT EXISTS ${WORK}/design.png)
  message(FATAL_ERROR "render through orvelin-cli-qt: exit ${rc}: ${err}")
endif()
execute_process(COMMAND ${CLI} render --help RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "--view")
  message(FATAL_ERROR "render --help: exit ${rc}:\n${out}")
endif()
