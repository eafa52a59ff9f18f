# orvelin-cli design run as a user would.  Invoked with -DCLI=<orvelin-cli>
# -DEXAMPLES=<examples folder> -DWORK=<scratch folder> -DSUPPORT=<tests/support>.
include(${SUPPORT}/cli_expect.cmake)
file(MAKE_DIRECTORY ${WORK})
set(outFile ${WORK}/kutter.ov)
file(REMOVE ${outFile})

# A typical Kutter: exit 0, the figures printed, the file titled after
# itself; the checks the user would run pass on it.
expect_run(0 "design;kutter;--aperture;110;--f-ratio;28;--field;0.25;--margin;5;-o;${outFile}"
  "F/ratio +2[78]\\." "Min clearance +5\\." "center +0\\.9")
file(READ ${outFile} written)
if(NOT written MATCHES "^QuorVex V0\\.90 +kutter\n" OR NOT written MATCHES "Aperture 110 mm +Field 0\\.25 Degrees")
  message(FATAL_ERROR "written design:\n${written}")
endif()
expect_run(0 "clearance;--margin;5;${outFile}")
expect_run(0 "quality;--json;${outFile}")
foreach(field center minus plus sagittal)
  string(JSON strehl GET "${out}" fields ${field} strehl)
  if(field STREQUAL "center" AND strehl LESS 0.8 OR strehl LESS 0.5)
    message(FATAL_ERROR "Strehl ${strehl} at ${field}")
  endif()
endforeach()

# JSON: every figure, in inches with the default margin of 0.2 inch.
expect_run(0 "design;yolo;--aperture;6;--f-ratio;20;--field;0.25;--units;inches;-o;${WORK}/yolo.ov;--json")
foreach(key ok fRatio focalLength backFocus minClearance "request;margin" "fields;plus;strehl" "fields;sagittal;rmsSpot")
  string(JSON v ERROR_VARIABLE bad GET "${out}" ${key})
  if(bad)
    message(FATAL_ERROR "JSON lacks ${key}: ${bad}\n${out}")
  endif()
endforeach()
string(JSON margin GET "${out}" request margin)
if(NOT margin EQUAL 0.2)
  message(FATAL_ERROR "default margin in inches: ${margin}")
endif()

# What the family cannot do: exit 9 with the reason, and no file.
file(REMOVE ${outFile})
expect_run(9 "design;kutter;--aperture;200;--f-ratio;4;--field;0.25;--margin;5;-o;${outFile}")
if(NOT err MATCHES "faster than about f/[0-9]+" OR EXISTS ${outFile})
  message(FATAL_ERROR "refusal: '${err}'")
endif()

# Bad options: exit 1, no file.
foreach(args "newtonian;--aperture;100;--f-ratio;8" "kutter;--aperture;0;--f-ratio;8"
    "kutter;--aperture;100;--f-ratio;8;--units;cm" "kutter;--aperture;100;--f-ratio;8;--margin;-1"
    "kutter;--f-ratio;8")
  expect_run(1 "design;${args};-o;${outFile}")
  if(EXISTS ${outFile})
    message(FATAL_ERROR "design ${args} wrote a file")
  endif()
endforeach()

# The help names every family with its rule, and the new exit status.
expect_run(0 "design;--help" "herschelian: One concave toroidal" "trischiefspiegler: " "exit 9")
expect_run(0 "--help" "design +Make a ready" "9  design: ")
