# Install the build into a scratch prefix, as the package does, and look at
# what lands there: both programs, the manual page (every command, the exit
# statuses as a section of their own), the help guide, the desktop entry, the
# MIME type, the icon and the AppStream metadata.
# Invoked with -DBUILD=<build folder> -DWORK=<scratch>.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/usr
  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed: ${err}")
endif()
foreach(file bin/orvelin bin/orvelin-cli share/man/man1/orvelin-cli.1 share/doc/orvelin/help/index.html
             share/applications/orvelin.desktop share/mime/packages/orvelin.xml
             share/icons/hicolor/32x32/apps/orvelin.png share/metainfo/org.orvelin.orvelin.metainfo.xml)
  if(NOT EXISTS ${WORK}/usr/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

set(page ${WORK}/usr/share/man/man1/orvelin-cli.1)
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

# The desktop entry names the program and the icon that are installed.
file(READ ${WORK}/usr/share/applications/orvelin.desktop entry)
if(NOT entry MATCHES "\nExec=orvelin " OR NOT entry MATCHES "\nIcon=orvelin\n")
  message(FATAL_ERROR "desktop entry:\n${entry}")
endif()
