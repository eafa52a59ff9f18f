# orvelin-cli report and focus on the shipped examples, run as a user would.
# Invoked with -DCLI=<orvelin-cli> -DEXAMPLES=<examples folder> -DWORK=<scratch folder>
# -DSUPPORT=<tests/support>.

include(${SUPPORT}/cli_expect.cmake)

# The sphere's worked figures as the report prints them ("%10.6f"); no field,
# so the field parts stay off, as on screen.
set(sphere ${EXAMPLES}/sphere.ov)
expect_run(0 "report;${sphere}" "l's *500\\.000000\n" "L'S *499\\.373826\n" "B\\.F\\.L\\. *499\\.530369\n"
  "Focus'S *500\\.626174\n" "F/ratio *5\\.006262\n" "LA'toler *0\\.224080\n")
if(out MATCHES "Field diameter")
  message(FATAL_ERROR "field figures shown for a design without field:\n${out}")
endif()
expect_run(0 "report;${EXAMPLES}/paraboloid-f5.ov" "Focus'S *501\\.250000\n" "Anamorphism +-?0\\.000 %\n"
  "\\+ Field angle\n")
expect_run(0 "report;--json;${sphere}" "\"lsMarginal\": 499\\.3738" "\"fieldPanelPlus\": {" "\"anamorphism\": ")

# A failed trace: the screen's message on stderr, exit status 4.
file(MAKE_DIRECTORY ${WORK})

# The title is the file's name: quotes, backslashes and UTF-8 come back from
# the JSON as they were; bytes that are not UTF-8 come back as U+FFFD.
function(expect_json_title title want)
  file(COPY_FILE ${sphere} "${WORK}/${title}.ov")
  expect_run(0 "report;--json;${WORK}/${title}.ov")
  string(JSON got ERROR_VARIABLE bad GET "${out}" title)
  if(bad OR NOT got STREQUAL want)
    message(FATAL_ERROR "title '${title}': '${got}' ${bad}\n${out}")
  endif()
  string(JSON ls GET "${out}" lsMarginal)
  if(NOT ls MATCHES "^499\\.3738")
    message(FATAL_ERROR "title '${title}': lsMarginal ${ls}")
  endif()
endfunction()
expect_json_title("a\"b\\c" "a\"b\\c")
expect_json_title("Spiegel été" "Spiegel été")
string(ASCII 255 notUtf8)
expect_json_title("bad${notUtf8}name" "bad�name")
expect_no_focus(report)

# focus saves the moved focal plane; on a tilted design a second focus of the
# saved file changes nothing but the title line (the name of the file written).
expect_run(0 "focus;${sphere};-o;${WORK}/sphere.ov")
file(READ ${WORK}/sphere.ov text)
# Every digit of the best focus is kept (seven would move it).
if(NOT text MATCHES "\n 0 +1000 +0 +0 +499\\.5303692586809 *\n")
  message(FATAL_ERROR "focus did not write the best focus:\n${text}")
endif()
expect_run(0 "focus;${EXAMPLES}/schiefspiegler.ov;-o;${WORK}/once.ov")
expect_run(0 "focus;${WORK}/once.ov;-o;${WORK}/twice.ov")
foreach(name once twice)
  file(READ ${WORK}/${name}.ov text)
  string(FIND "${text}" "\n" eol)
  string(SUBSTRING "${text}" ${eol} -1 ${name})
endforeach()
if(NOT once STREQUAL twice)
  message(FATAL_ERROR "a second focus changed the design:\n${once}\n---\n${twice}")
endif()

# focus --curve: "Z" first; one untilted mirror of radius 1000 curves the
# focal plane to radius -500.
expect_run(0 "focus;--curve;${sphere};-o;${WORK}/curved.ov")
file(READ ${WORK}/curved.ov text)
if(NOT text MATCHES "^QuorVex V0\\.90 +curved\n" OR NOT text MATCHES "\n 0 +-500 +0 +0 +focal plane")
  message(FATAL_ERROR "focus --curve:\n${text}")
endif()
