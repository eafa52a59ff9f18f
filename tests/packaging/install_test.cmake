# Install the build into a scratch prefix, as the package does, and look at
# what lands there: both programs, the manual page (every command, the exit
# statuses as a section of their own), the help guide, the desktop entry, the
# MIME type, the icon and the AppStream metadata.
# With the Python module built, the system's Python imports the installed
# package and traces with it.
# Invoked with -DBUILD=<build folder> -DWORK=<scratch> [-DPYTHON=<python3>].
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

if(PYTHON)
  set(site ${WORK}/usr/lib/python3/dist-packages)
  foreach(file __init__.py __init__.pyi _errors.py py.typed)
    if(NOT EXISTS ${site}/orvelin/${file})
      message(FATAL_ERROR "not installed: the Python package's ${file}")
    endif()
  endforeach()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${site} PYTHONDONTWRITEBYTECODE=1 ${PYTHON} -c
    "import orvelin; d = orvelin.Design.new(1); d.surfaces = [{'radius': -1000, 'separation': -500}, {}]; d.aperture = 100; print(orvelin.__file__, abs(d.report()['fRatio']))"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "^${site}/orvelin/__init__.py 5\\.[0-9]+\n")
    message(FATAL_ERROR "the installed Python module: ${rc} ${out} ${err}")
  endif()
endif()

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
