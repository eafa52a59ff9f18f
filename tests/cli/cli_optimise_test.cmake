# orvelin-cli optimise run as a user would.  Invoked with -DCLI=<orvelin-cli>
# -DEXAMPLES=<examples folder> -DWORK=<scratch folder> -DSUPPORT=<tests/support>.
include(${SUPPORT}/cli_expect.cmake)
file(MAKE_DIRECTORY ${WORK})
set(in ${EXAMPLES}/schiefspiegler.ov)
file(READ ${in} before)
set(outFile ${WORK}/coma-free.ov)
file(REMOVE ${outFile})

# The secondary's tilt that nulls the axial coma: exit 0, both values shown,
# the file written and titled after itself, the input untouched.
expect_run(0 "optimise;${in};-o;${outFile};--vary;tilt:2;--target;comaT=0" "tilt:2 +-6\\.7 +-"
  "comaT +0 +")
file(READ ${outFile} written)
if(NOT written MATCHES "^QuorVex V0\\.90 +coma-free\n")
  message(FATAL_ERROR "output not titled after its file:\n${written}")
endif()
file(READ ${in} after)
if(NOT before STREQUAL after)
  message(FATAL_ERROR "the input design was changed")
endif()
expect_run(0 "report;--json;${outFile}")
string(JSON coma GET "${out}" comaT)
if(coma GREATER 1e-6 OR coma LESS -1e-6)
  message(FATAL_ERROR "comaT of the written design is ${coma}")
endif()

# JSON: every key the result promises.
expect_run(0 "optimise;${in};-o;${outFile};--vary;tilt:2=-20..0;--target;comaT=0:2;--json")
foreach(key converged iterations "merit;start" "merit;end" "variables;tilt:2;start" "variables;tilt:2;end"
    "targets;comaT;target" "targets;comaT;start" "targets;comaT;end")
  string(JSON v ERROR_VARIABLE bad GET "${out}" ${key})
  if(bad)
    message(FATAL_ERROR "JSON lacks ${key}: ${bad}\n${out}")
  endif()
endforeach()
string(JSON conv GET "${out}" converged)
string(JSON start GET "${out}" variables tilt:2 start)
if(NOT conv STREQUAL "ON" AND NOT conv STREQUAL "true")
  message(FATAL_ERROR "not converged: ${out}")
endif()
if(NOT start EQUAL -6.7 AND NOT start STREQUAL "-6.7" AND NOT start MATCHES "^-6\\.70000000000000")
  message(FATAL_ERROR "start value ${start}")
endif()

# A bound that keeps the tilt from the answer: exit 7 with the reason, and
# the best design found is still written.
file(REMOVE ${outFile})
expect_run(7 "optimise;${in};-o;${outFile};--vary;tilt:2=-6..0;--target;comaT=0")
if(NOT err MATCHES "did not converge: " OR NOT EXISTS ${outFile})
  message(FATAL_ERROR "exit 7 without reason or file: ${err}")
endif()

# Bad --vary / --target: exit 1 naming what is wrong, and no output file.
file(REMOVE ${outFile})
foreach(case "tilt:9|out of range" "focus:1|'focus'" "rsag:1|not a toroid" "tilt:1=2..1|LOW > HIGH")
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 var)
  list(GET parts 1 why)
  expect_run(1 "optimise;${in};-o;${outFile};--vary;${var};--target;comaT=0")
  if(NOT err MATCHES "${why}" OR NOT err MATCHES "--vary" OR EXISTS ${outFile})
    message(FATAL_ERROR "bad --vary ${var}: '${err}'")
  endif()
endforeach()
expect_run(1 "optimise;${in};-o;${outFile};--vary;tilt:2;--target;comaX=0")
if(NOT err MATCHES "comaX" OR EXISTS ${outFile})
  message(FATAL_ERROR "bad --target: '${err}'")
endif()
# The output may not be the input.
expect_run(1 "optimise;${in};-o;${in};--vary;tilt:2;--target;comaT=0")
file(READ ${in} after)
if(NOT before STREQUAL after)
  message(FATAL_ERROR "the input design was changed")
endif()

# Equal bounds hold a value: the search runs over the other variable.
expect_run(0 "optimise;${in};-o;${outFile};--vary;tilt:2;--vary;tilt:3=-5..-5;--target;comaT=0;--json")
string(JSON held GET "${out}" variables tilt:3 end)
string(JSON conv GET "${out}" converged)
if(NOT held EQUAL -5 OR NOT (conv STREQUAL "ON" OR conv STREQUAL "true"))
  message(FATAL_ERROR "equal bounds: ${out}")
endif()

# With slightly smaller tilts the example's secondary reaches into the
# incoming beam, and the smallest spot lies where the mirrors are barely
# tilted.  Kept clear by 1, the result passes the clearance check with that
# margin.
string(REPLACE " 3.85          700" " 3.8           700" grazing "${before}")
string(REPLACE "-6.7           2239" "-6.6           2239" grazing "${grazing}")
string(REPLACE "-5.5          focal" "-5.41         focal" grazing "${grazing}")
file(WRITE ${WORK}/grazing.ov "${grazing}")
expect_run(8 "clearance;${WORK}/grazing.ov")
expect_run(0 "optimise;--help" "--keep-clear")
expect_run(0 "optimise;${WORK}/grazing.ov;-o;${outFile};--vary;tilt:1;--vary;tilt:2;--vary;tilt:3;--keep-clear;1;--json")
string(JSON cEnd GET "${out}" clearance end)
if(cEnd LESS 0.999)
  message(FATAL_ERROR "kept clear by ${cEnd}:\n${out}")
endif()
expect_run(0 "clearance;${outFile};--margin;0.999")
expect_run(1 "optimise;${in};-o;${outFile};--vary;tilt:2;--keep-clear;-1")

# The search takes exactly the iterations asked for, and says so.
foreach(n 1 2)
  expect_run(7 "optimise;${in};-o;${outFile};--vary;tilt:1;--vary;tilt:2;--minimise;spot;--max-iterations;${n};--json")
  string(JSON its GET "${out}" iterations)
  if(NOT its EQUAL n OR NOT err MATCHES "no convergence after ${n} iterations")
    message(FATAL_ERROR "--max-iterations ${n}: ${its} iterations, '${err}'")
  endif()
endforeach()
