# orvelin-cli fans, fieldcurves, fieldmap and throughfocus on the shipped
# examples, run as a user would.
# Invoked with -DCLI=<orvelin-cli> -DEXAMPLES=<examples folder> -DWORK=<scratch folder>
# -DSUPPORT=<tests/support>.

include(${SUPPORT}/cli_expect.cmake)

# Fans: the four fields, 41 pupil points, 0 at the centre; the sphere's rim
# error is its spherical aberration, 62.85 um.
expect_run(0 "fans;--json;${EXAMPLES}/sphere.ov")
string(JSON nfields LENGTH "${out}" fields)
string(JSON first MEMBER "${out}" fields 0)
string(JSON npupil LENGTH "${out}" fields center pupil)
string(JSON mid GET "${out}" fields plus tangential opd 20)
string(JSON rim GET "${out}" fields center sagittal ey 0)
if(NOT nfields EQUAL 4 OR NOT first STREQUAL "center" OR NOT npupil EQUAL 41 OR NOT mid EQUAL 0
   OR NOT rim MATCHES "^62\\.853")
  message(FATAL_ERROR "fans --json:\n${out}")
endif()
expect_run(0 "fans;--csv;--points;5;--field;minus;--wavelength;1;${EXAMPLES}/schiefspiegler.ov"
  "^field,fan,pupil,ex_um,ey_um,opd_waves,status\nminus,tangential,-1,")
string(REGEX MATCHALL "\n" lines "${out}")
list(LENGTH lines nlines)
if(NOT nlines EQUAL 11)
  message(FATAL_ERROR "fans --csv: ${nlines} lines:\n${out}")
endif()
expect_run(0 "fans;${EXAMPLES}/paraboloid-f5.ov" "\nplus\n +pupil +tan ex")

# Field curves: 21 points from -theta to theta and 11 across; the
# schiefspiegler's foci fit a plane tilted as its focal plane.
expect_run(0 "fieldcurves;--json;${EXAMPLES}/schiefspiegler.ov")
string(JSON n LENGTH "${out}" field)
string(JSON ns LENGTH "${out}" sagittalSweep field)
string(JSON edge GET "${out}" field 0)
string(JSON d0 GET "${out}" distortion 10)
string(JSON tilt GET "${out}" focalPlaneTilt bestFit)
if(NOT n EQUAL 21 OR NOT ns EQUAL 11 OR NOT edge EQUAL -0.25 OR NOT d0 EQUAL 0 OR NOT tilt MATCHES "^-5\\.51")
  message(FATAL_ERROR "fieldcurves --json:\n${out}")
endif()
expect_run(0 "fieldcurves;--csv;--field;1;--points;3;${EXAMPLES}/paraboloid-f5.ov"
  "^sweep,field_deg,tangential_focus,sagittal_focus,distortion_pct,status\ntangential,-1,")

# Field map: the centre is the quality figures' centre.
expect_run(0 "quality;--json;--field;center;${EXAMPLES}/toroid.ov")
string(JSON rms GET "${out}" fields center rmsSpot)
expect_run(0 "fieldmap;--json;--grid;3;${EXAMPLES}/toroid.ov")
string(JSON npoints LENGTH "${out}" points)
string(JSON centre GET "${out}" points 4 rmsSpot)
string(JSON corner GET "${out}" points 0 field 1)
if(NOT npoints EQUAL 9 OR NOT centre STREQUAL rms OR NOT corner LESS 0)
  message(FATAL_ERROR "fieldmap --json (centre ${rms}):\n${out}")
endif()
expect_run(0 "fieldmap;${EXAMPLES}/schiefspiegler.ov" "RMS spot \\(um\\)" "Strehl ratio" " 10\\.617 ")

# Through focus: seven spots, the middle one at shift 0 with the quality
# figures' RMS spot of the field.
expect_run(0 "quality;--json;--field;plus;${EXAMPLES}/schiefspiegler.ov")
string(JSON rms GET "${out}" fields plus rmsSpot)
expect_run(0 "throughfocus;--json;--field;plus;${EXAMPLES}/schiefspiegler.ov")
string(JSON field GET "${out}" field)
string(JSON nspots LENGTH "${out}" spots)
string(JSON shift GET "${out}" spots 3 shift)
string(JSON rms0 GET "${out}" spots 3 rmsSpot)
string(JSON npts LENGTH "${out}" spots 3 points)
string(SUBSTRING "${rms}" 0 10 rmsHead)
string(SUBSTRING "${rms0}" 0 10 rms0Head)
if(NOT field STREQUAL "plus" OR NOT nspots EQUAL 7 OR NOT shift EQUAL 0 OR NOT rmsHead STREQUAL rms0Head
   OR NOT npts EQUAL 289)
  message(FATAL_ERROR "throughfocus --json (quality ${rms}):\n${out}")
endif()
expect_run(0 "throughfocus;--csv;--step;0.5;--rays;25;${EXAMPLES}/sphere.ov" "^shift,rms_spot_um,x_um,y_um\n-1\\.5,")

# Bad options are usage errors; a design that does not trace exits 4.
expect_run(1 "fans;--points;40;${EXAMPLES}/sphere.ov")
expect_run(1 "fans;--json;--csv;${EXAMPLES}/sphere.ov")
expect_run(1 "fieldmap;--grid;0;${EXAMPLES}/sphere.ov")
expect_run(1 "throughfocus;--field;top;${EXAMPLES}/sphere.ov")
expect_run(1 "throughfocus;--step;-1;${EXAMPLES}/sphere.ov")
file(MAKE_DIRECTORY ${WORK})
foreach(command fans fieldcurves fieldmap throughfocus)
  expect_no_focus(${command})
endforeach()

# The views as PNG and SVG, their printed page, and the refusal of a design
# that does not trace.
set(titles "fans=Ray and wavefront fans: schiefspiegler" "fieldcurves=Field curves and distortion: schiefspiegler"
  "fieldmap=Field map: schiefspiegler" "throughfocus=Spots through focus: schiefspiegler, field center")
foreach(entry ${titles})
  string(REGEX MATCH "^[a-z]+" view "${entry}")
  string(REGEX REPLACE "^[a-z]+=" "" title "${entry}")
  expect_run(0 "render;${EXAMPLES}/schiefspiegler.ov;--view;${view};-o;${WORK}/${view}.png")
  file(READ ${WORK}/${view}.png png LIMIT 8 HEX)
  if(NOT png STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "render --view ${view} wrote no PNG: ${png}")
  endif()
  expect_run(0 "render;${EXAMPLES}/schiefspiegler.ov;--view;${view};-o;${WORK}/${view}.svg")
  file(READ ${WORK}/${view}.svg svg)
  if(NOT svg MATCHES "<svg" OR NOT svg MATCHES "${title}")
    message(FATAL_ERROR "render --view ${view} as SVG lacks '${title}'")
  endif()
  expect_run(4 "render;${WORK}/flat_only.ov;--view;${view};-o;${WORK}/flat.png")
endforeach()
expect_run(0 "print;${EXAMPLES}/toroid.ov;--view;fieldcurves;-o;${WORK}/fieldcurves.pdf")
file(READ ${WORK}/fieldcurves.pdf pdf LIMIT 5 HEX)
if(NOT pdf STREQUAL "255044462d")
  message(FATAL_ERROR "print --view fieldcurves wrote no PDF")
endif()
