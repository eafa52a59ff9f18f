# orvelin-cli show and convert, and their exit statuses, run as a user would.
# Invoked with -DCLI=<orvelin-cli> -DEXAMPLES=<examples> -DWORK=<scratch> -DSUPPORT=<tests/support>.
include(${SUPPORT}/cli_expect.cmake)
file(MAKE_DIRECTORY ${WORK})

expect_run(0 "show;${EXAMPLES}/toroid.ov" "toroid " "<- focal plane" "Aperture  110 mm")

# convert writes the legacy layout with the focal ratio the design view records.
expect_run(0 "convert;${EXAMPLES}/paraboloid-f5.ov;${WORK}/converted.ov")
file(READ ${WORK}/converted.ov text)
if(NOT text MATCHES "^QuorVex V0\\.90 +converted\n"
   OR NOT text MATCHES "\n 0             1000          1             0             500\n"
   OR NOT text MATCHES "Field 1 Degrees     f/5\\.01\n$")
  message(FATAL_ERROR "convert:\n${text}")
endif()

# Unreadable or refused: 2, naming the file.  Damaged: loads, warns, 3.
expect_run(2 "show;${WORK}/missing.ov")
if(NOT err MATCHES "missing\\.ov")
  message(FATAL_ERROR "missing file: stderr '${err}'")
endif()
expect_run(2 "show;${WORK}")
string(REPLACE " 1000 " " abc " damaged "${text}")
file(WRITE ${WORK}/damaged.ov "${damaged}")
expect_run(3 "show;${WORK}/damaged.ov" "<- focal plane")
if(NOT err MATCHES "line 7")
  message(FATAL_ERROR "damaged file: stderr '${err}'")
endif()
expect_run(1 "show")
expect_run(5 "convert;${EXAMPLES}/sphere.ov;${WORK}/no-such-folder/x.ov")
