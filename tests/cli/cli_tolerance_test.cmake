# orvelin-cli tolerance run as a user would.  Invoked with -DCLI=<orvelin-cli>
# -DEXAMPLES=<examples folder> -DWORK=<scratch folder> -DSUPPORT=<tests/support>.
include(${SUPPORT}/cli_expect.cmake)
file(MAKE_DIRECTORY ${WORK})
set(in ${EXAMPLES}/schiefspiegler.ov)

# The sensitivity alone: the row as JSON, no Monte-Carlo without --trials.
expect_run(0 "tolerance;${in};--tol;tilt:2=±0.05;--json")
string(JSON criterion GET "${out}" criterion)
string(JSON name GET "${out}" sensitivity 0 tolerance)
string(JSON plus GET "${out}" sensitivity 0 plus value)
string(JSON focus GET "${out}" sensitivity 0 plus compensators sep:2 value)
string(JSON mc ERROR_VARIABLE none GET "${out}" montecarlo)
if(NOT criterion STREQUAL "worst.strehl" OR NOT name STREQUAL "tilt:2" OR NOT none)
  message(FATAL_ERROR "tolerance --json:\n${out}")
endif()

# The same design perturbed and refocused by hand, in a file: `quality`
# gives the row's value (the file keeps the focus to a micrometre, which
# moves the Strehl ratio far below its fifth decimal).
string(REGEX MATCH "^[0-9]+\\.[0-9][0-9][0-9]" focus3 "${focus}")
file(READ ${in} design)
string(REPLACE "-6.7           2239" "-6.65          ${focus3}" design "${design}")
file(WRITE ${WORK}/by_hand.ov "${design}")
expect_run(0 "quality;--json;${WORK}/by_hand.ov")
set(worst 1)
foreach(field center minus plus sagittal)
  string(JSON s GET "${out}" fields ${field} strehl)
  if(s LESS worst)
    set(worst ${s})
  endif()
endforeach()
string(REGEX MATCH "^0\\.[0-9][0-9][0-9][0-9][0-9]" a "${worst}")
string(REGEX MATCH "^0\\.[0-9][0-9][0-9][0-9][0-9]" b "${plus}")
if(NOT a STREQUAL b)
  message(FATAL_ERROR "by hand ${worst}, tolerance ${plus} (focus ${focus3})")
endif()

# A Monte-Carlo run: the same seed gives the same bytes on one core as on
# all of them.
set(run "tolerance;${in};--default-tolerances;--tol;tilt:*=±0.03;--trials;40;--seed;5;--threshold;0.7;--json")
expect_run(0 "${run}")
set(all "${out}")
execute_process(COMMAND taskset -c 0 ${CLI} ${run} RESULT_VARIABLE rc OUTPUT_VARIABLE one)
if(NOT rc EQUAL 0 OR NOT one STREQUAL all)
  message(FATAL_ERROR "one core gave other bytes (exit ${rc}):\n${one}\n--- all cores:\n${all}")
endif()
string(JSON trials GET "${all}" montecarlo trials)
string(JSON nvalues LENGTH "${all}" montecarlo values)
string(JSON yield GET "${all}" montecarlo yield)
string(JSON nrows LENGTH "${all}" sensitivity)
if(NOT trials EQUAL 40 OR NOT nvalues EQUAL 40 OR NOT nrows EQUAL 8 OR yield GREATER 1)
  message(FATAL_ERROR "Monte-Carlo JSON:\n${all}")
endif()
foreach(key failed mean std p50 p90 p98)
  string(JSON v ERROR_VARIABLE bad GET "${all}" montecarlo ${key})
  if(bad)
    message(FATAL_ERROR "montecarlo lacks ${key}")
  endif()
endforeach()

# The table.
expect_run(0 "tolerance;${in};--tol;tilt:1=±0.02;--tol;sep:1=±0.5;--trials;20;--threshold;0.75"
  "criterion worst.strehl, compensation focus" "tilt:1 +0\\.02 " "Monte-Carlo: 20 trials \\(uniform, seed 1\\), 0 failed"
  "yield [0-9.]+ %")

# Bad options: exit 1 and the reason.
foreach(case "--tol;tilt:3=±1|out of range" "--tol;focus:1=±1|'focus'" "--tol;tilt:1=±-1|negative"
    "--tol;sep:1=±inf|not a tolerance" "--tol;tilt:1=±1;--trials;0|--trials" "--tol;tilt:1=±1;--trials;1000001|--trials"
    "--tol;tilt:1=±1;--criterion;worst.geoSpot|geoSpot" "--tol;tilt:1=±1;--compensate;tilt|compensate"
    "--tol;tilt:1=±1;--distribution;gauss|distribution" "--trials;5|no tolerances")
  string(REPLACE "|" ";" parts "${case}")
  list(POP_BACK parts why)
  expect_run(1 "tolerance;${in};${parts}")
  if(NOT err MATCHES "${why}")
    message(FATAL_ERROR "tolerance ${parts}: '${err}'")
  endif()
endforeach()

# A design with no image: exit 4.
write_flat_only_design(${WORK}/flat_only.ov)
expect_run(4 "tolerance;${WORK}/flat_only.ov;--tol;tilt:1=±0.1")
if(NOT err MATCHES "There is no focus")
  message(FATAL_ERROR "flat mirror: '${err}'")
endif()

# The tolerance view as PNG and SVG and its printed page, from the view's
# stated default run; orvelin-cli itself still loads none of the optimiser's
# libraries (the drawing program runs the analysis).
execute_process(COMMAND ldd ${CLI} OUTPUT_VARIABLE libs)
if(libs MATCHES "glog|cholmod|lapack|spqr")
  message(FATAL_ERROR "orvelin-cli loads the optimiser's libraries:\n${libs}")
endif()
expect_run(0 "render;--help" "500 Monte-Carlo trials from seed 1" "threshold of 0\\.8")
expect_run(0 "print;--help" "The view tolerances runs the default tolerances")
expect_run(0 "render;${in};--view;tolerances;-o;${WORK}/tolerances.png")
file(READ ${WORK}/tolerances.png png LIMIT 8 HEX)
if(NOT png STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "render --view tolerances wrote no PNG: ${png}")
endif()
expect_run(0 "render;${in};--view;tolerances;--size;900x700;-o;${WORK}/tolerances.svg")
file(READ ${WORK}/tolerances.svg svg)
foreach(text "Tolerances: schiefspiegler" "tilt:1" "threshold 0.8000" "500 trials, seed 1" "yield ")
  if(NOT svg MATCHES "${text}")
    message(FATAL_ERROR "render --view tolerances as SVG lacks '${text}'")
  endif()
endforeach()
expect_run(0 "print;${in};--view;tolerances;-o;${WORK}/tolerances.pdf")
file(READ ${WORK}/tolerances.pdf pdf LIMIT 5 HEX)
if(NOT pdf STREQUAL "255044462d")
  message(FATAL_ERROR "print --view tolerances wrote no PDF")
endif()
expect_run(4 "render;${WORK}/flat_only.ov;--view;tolerances;-o;${WORK}/flat.png")
expect_run(4 "print;${WORK}/flat_only.ov;--view;tolerances;-o;${WORK}/flat.pdf")
