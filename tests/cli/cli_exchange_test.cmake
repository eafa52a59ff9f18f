# orvelin-cli import and export, and their exit statuses, run as a user would.
# Invoked with -DCLI=<orvelin-cli> -DEXAMPLES=<examples> -DDATA=<tests/data/zmx> -DWORK=<scratch>
# -DSUPPORT=<tests/support>.
include(${SUPPORT}/cli_expect.cmake)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# Read cleanly: 0, and the design file holds the mirrors of the prescription.
expect_run(0 "import;${DATA}/newtonian-fold.zmx;-o;${WORK}/newtonian.ov")
file(READ ${WORK}/newtonian.ov text)
if(NOT text MATCHES "QuorVex V0.90 +newtonian\n"
   OR NOT text MATCHES "\n 0             1200          1             0             500\n"
   OR NOT text MATCHES "\n 0             0             0             45            100\n"
   OR NOT text MATCHES " Aperture 150 mm         Field 1 Degrees")
  message(FATAL_ERROR "import:\n${text}")
endif()

# Read with warnings: 3, the warning on stderr, the file written.
expect_run(3 "import;${DATA}/schiefspiegler-tilt-return.zmx;-o;${WORK}/schief.ov")
if(NOT err MATCHES "warning: .*mirror 1 is tilted by 3.8 degrees" OR NOT EXISTS ${WORK}/schief.ov)
  message(FATAL_ERROR "import with warnings: stderr '${err}'")
endif()

# Refused: 2, the line and the reason, no file.
expect_run(2 "import;${DATA}/refused-lens.zmx;-o;${WORK}/lens.ov")
if(NOT err MATCHES "line 38: GLAS N-BK7 makes a lens" OR EXISTS ${WORK}/lens.ov)
  message(FATAL_ERROR "refused import: stderr '${err}'")
endif()
expect_run(2 "import;${WORK}/missing.zmx;-o;${WORK}/missing.ov")

# Export, then import: the design file saved again is the original's.
expect_run(0 "export;${EXAMPLES}/schiefspiegler.ov;-o;${WORK}/schiefspiegler.zmx")
file(READ ${WORK}/schiefspiegler.zmx zmx HEX)
if(NOT zmx MATCHES "^4d4f4445205345510d0a")  # "MODE SEQ\r\n"
  message(FATAL_ERROR "export does not start with MODE SEQ and CRLF")
endif()
expect_run(3 "import;${WORK}/schiefspiegler.zmx;-o;${WORK}/schiefspiegler.ov")
file(READ ${WORK}/schiefspiegler.ov back)
file(READ ${EXAMPLES}/schiefspiegler.ov original)
if(NOT back STREQUAL original)
  message(FATAL_ERROR "round trip:\n${back}\nagainst\n${original}")
endif()
expect_run(5 "export;${EXAMPLES}/sphere.ov;-o;${WORK}/no-such-folder/x.zmx")
expect_run(1 "export;${EXAMPLES}/sphere.ov")
