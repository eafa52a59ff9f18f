# Install the build into a scratch prefix and read orvelin-cli's manual page
# there: every command, and the exit statuses as a section of their own.
# Invoked with -DBUILD=<build folder> -DWORK=<scratch>.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/usr
  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${err}")
endif()
set(page ${WORK}/usr/share/man/man1/orvelin-cli.1)
if(NOT EXISTS ${page})
  message(FATAL_ERROR "no manual page at ${page}")
endif()
file(READ ${page} roff)
foreach(expected "\n\\.TH ORVELIN-CLI \"1\"" "\n\\.SH \"EXIT STATUS\"\n" "\n\\.TP\n0\nsuccess\n"
                 "\n\\.TP\n8\nthe light path is obstructed\n")
  if(NOT roff MATCHES "${expected}")
    message(FATAL_ERROR "manual page lacks '${expected}':\n${roff}")
  endif()
endforeach()
foreach(command show convert render report focus print)
  if(NOT roff MATCHES "\n\\.SS ${command}\n\\.nf\n[^\n]*\nUsage: orvelin-cli ${command} ")
    message(FATAL_ERROR "manual page lacks the command ${command}:\n${roff}")
  endif()
endforeach()
# man itself reads it, where it is installed.
find_program(MAN man)
if(MAN)
  execute_process(COMMAND ${MAN} -l ${page} RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT text MATCHES "EXIT STATUS" OR err MATCHES "warning")
    message(FATAL_ERROR "man -l ${page}: ${rc} ${err}")
  endif()
endif()
