# orvelin-cli report and focus on the shipped examples, run as a user would.
# Invoked with -DCLI=<orvelin-cli> -DEXAMPLES=<examples folder> -DWORK=<scratch folder>.

function(expect_output args pattern)
  execute_process(COMMAND ${CLI} ${args} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "orvelin-cli ${args}: exit ${rc}: ${err}")
  endif()
  if(NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "orvelin-cli ${args}: output lacks '${pattern}':\n${out}")
  endif()
endfunction()

# The sphere: the worked figures, as the report prints them ("%10.6f").
set(sphere ${EXAMPLES}/sphere.ov)
expect_output("report;${sphere}" "l's *500\\.000000\n")
expect_output("report;${sphere}" "L'S *499\\.373826\n")
expect_output("report;${sphere}" "B\\.F\\.L\\. *499\\.530369\n")
expect_output("report;${sphere}" "Focus'S *500\\.626174\n")
expect_output("report;${sphere}" "F/ratio *5\\.006262\n")
expect_output("report;${sphere}" "LA'toler *0\\.224080\n")
# No field: the field parts stay off, as on screen.
execute_process(COMMAND ${CLI} report ${sphere} OUTPUT_VARIABLE out)
if(out MATCHES "Field diameter")
  message(FATAL_ERROR "field figures shown for a design without field:\n${out}")
endif()

# The paraboloid with its field: the field panels and the anamorphism.
set(parab ${EXAMPLES}/paraboloid-f5.ov)
expect_output("report;${parab}" "Focus'S *501\\.250000\n")
expect_output("report;${parab}" "Anamorphism +-?0\\.000 %\n")
expect_output("report;${parab}" "\\+ Field angle\n")

# JSON: every figure by its field name, full precision.
expect_output("report;--json;${sphere}" "\"lsMarginal\": 499\\.3738")
expect_output("report;--json;${sphere}" "\"fieldPanelPlus\": {")
expect_output("report;--json;${sphere}" "\"anamorphism\": ")

# A failed trace: the screen's message on stderr, exit status 4.
file(MAKE_DIRECTORY ${WORK})
set(flat ${WORK}/flat_only.ov)
file(WRITE ${flat} "QuorVex V0.90                       flat_only

 1 surface design

 Type         Radius        CC/Rsag       Tilt          Separation

 0             0             0             0             500
 0             0             0             0            focal plane

 Aperture 100 mm         Field 0 Degrees     f/0.00
")
execute_process(COMMAND ${CLI} report ${flat} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 4 OR NOT err MATCHES "There is no focus")
  message(FATAL_ERROR "flat mirror: exit ${rc}, stderr '${err}'")
endif()

# focus: the moved focal plane is saved, and a second focus changes nothing.
set(once ${WORK}/sphere_focused.ov)
set(twice ${WORK}/sphere_focused_twice.ov)
execute_process(COMMAND ${CLI} focus ${sphere} -o ${once} RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "focus: exit ${rc}: ${err}")
endif()
file(READ ${once} text)
if(NOT text MATCHES " 499\\.5304 *\n")
  message(FATAL_ERROR "focus did not write the best focus:\n${text}")
endif()
execute_process(COMMAND ${CLI} focus ${once} -o ${twice} RESULT_VARIABLE rc)
file(READ ${twice} text2)
# The first line carries the title (the name of the file read): compare the rest.
string(REGEX REPLACE "^[^\n]*\n" "" text "${text}")
string(REGEX REPLACE "^[^\n]*\n" "" text2 "${text2}")
if(NOT rc EQUAL 0 OR NOT text STREQUAL text2)
  message(FATAL_ERROR "a second focus changed the design:\n${text}\n---\n${text2}")
endif()

# focus --curve: "Z" first; one untilted mirror of radius 1000 curves the
# focal plane to radius -500.
execute_process(COMMAND ${CLI} focus --curve ${sphere} -o ${WORK}/curved.ov RESULT_VARIABLE rc)
file(READ ${WORK}/curved.ov text)
if(NOT rc EQUAL 0 OR NOT text MATCHES "\n 0 +-500 +0 +0 +focal plane")
  message(FATAL_ERROR "focus --curve: exit ${rc}:\n${text}")
endif()
