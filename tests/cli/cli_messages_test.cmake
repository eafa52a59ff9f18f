# orvelin-cli's messages: a word that is not a command, the exit statuses
# that end --help, and one wording of a trace problem for every command.
# Invoked with -DCLI=<orvelin-cli> -DDATA=<tests/data> -DWORK=<scratch> -DSUPPORT=<tests/support>.
include(${SUPPORT}/cli_expect.cmake)
file(MAKE_DIRECTORY ${WORK})

# A word that is no command is named, and the commands are listed.
expect_run(1 "bogus;x.ov")
if(NOT err MATCHES "^orvelin-cli: 'bogus' is not a command; the commands are: ([a-z]+, )*[a-z]+\n")
  message(FATAL_ERROR "bogus: stderr '${err}'")
endif()
foreach(command show convert render report focus print)
  if(NOT err MATCHES "[ ,]${command}[,\n]")
    message(FATAL_ERROR "bogus: '${command}' not listed: '${err}'")
  endif()
endforeach()
# Help wins over a word after it.
expect_run(0 "--help;bogus" "Usage:")

# --help ends with the exit statuses, one line each, in order, its number first.
expect_run(0 "--help")
string(FIND "${out}" "\nExit status:\n" at)
if(at LESS 0)
  message(FATAL_ERROR "--help has no exit-status section:\n${out}")
endif()
math(EXPR at "${at} + 14")
string(SUBSTRING "${out}" ${at} -1 section)
string(REGEX REPLACE "\n+$" "" section "${section}")
string(REPLACE ";" "," section "${section}")
string(REPLACE "\n" ";" lines "${section}")
set(expected 0)
foreach(line ${lines})
  if(NOT line MATCHES "^  ([0-9]+)  [a-z].+[a-z]$" OR NOT CMAKE_MATCH_1 EQUAL expected)
    message(FATAL_ERROR "exit status ${expected} expected, found '${line}'")
  endif()
  math(EXPR expected "${expected} + 1")
endforeach()
if(NOT expected EQUAL 10)
  message(FATAL_ERROR "--help lists ${expected} exit statuses, not 0 to 9:\n${section}")
endif()
if(NOT out MATCHES "\n  7  the optimiser did not converge\n  8  the light path is obstructed\n")
  message(FATAL_ERROR "--help lacks the optimiser and clearance statuses:\n${section}")
endif()

# One wording for a trace problem, whichever command meets it.
set(misses ${DATA}/hostile/light-misses-surface-2.ov)
foreach(args "report;${misses}" "focus;${misses};-o;${WORK}/focused.ov"
             "render;${misses};-o;${WORK}/misses.png" "print;${misses};--quick;-o;${WORK}/misses.pdf"
             "print;${misses};--view;report;-o;${WORK}/report.pdf")
  expect_run(4 "${args}")
  if(NOT err STREQUAL "orvelin-cli: trace problem: Light misses surface #2\n")
    message(FATAL_ERROR "orvelin-cli ${args}: stderr '${err}'")
  endif()
endforeach()
