# Build the manual page of orvelin-cli from its own help: the program's
# --help gives the synopsis, options and exit statuses, and each command's
# --help becomes a part of the COMMANDS section, so a new command appears
# in the manual without any change here.
# Invoked with -DCLI=<orvelin-cli> -DHELP2MAN=<help2man> -DVERSION=<x.y> -DOUT=<orvelin-cli.1>.
execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE top RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${CLI} --help failed: ${rc}")
endif()
string(REGEX MATCH "\nSubcommands:(\n.*)" listing "${top}")
string(REGEX MATCHALL "\n  [a-z][a-z0-9-]* " names "${CMAKE_MATCH_1}")

set(include "[COMMANDS]\n")
foreach(entry ${names})
  string(STRIP "${entry}" name)
  execute_process(COMMAND ${CLI} ${name} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${CLI} ${name} --help failed: ${rc}")
  endif()
  # roff: a backslash is written doubled, and a line may not start with a dot.
  string(REPLACE "\\" "\\\\" help "${help}")
  string(REGEX REPLACE "\n\\." "\n\\\\&." help "${help}")
  string(APPEND include ".SS ${name}\n.nf\n${help}.fi\n")
endforeach()

get_filename_component(dir ${OUT} DIRECTORY)
file(WRITE ${dir}/orvelin-cli.h2m "${include}")

execute_process(COMMAND ${HELP2MAN} --no-info --section=1 --version-string=${VERSION}
  "--name=analyse all-mirror telescope designs without a window" --manual=Orvelin --source=Orvelin
  --include=${dir}/orvelin-cli.h2m --output=${OUT} ${CLI} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help2man failed: ${rc}")
endif()
# The exit statuses that end --help are a section of their own in a manual.
file(READ ${OUT} page)
string(REPLACE ".SS \"Exit status:\"" ".SH \"EXIT STATUS\"" page "${page}")
file(WRITE ${OUT} "${page}")
