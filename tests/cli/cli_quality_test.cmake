# orvelin-cli quality on the shipped examples, run as a user would.
# Invoked with -DCLI=<orvelin-cli> -DEXAMPLES=<examples folder> -DWORK=<scratch folder>
# -DSUPPORT=<tests/support>.

include(${SUPPORT}/cli_expect.cmake)

# The table: one column per field, the figures by name.
expect_run(0 "quality;${EXAMPLES}/sphere.ov" "; diffraction-limited when the Strehl ratio is 0\\.8 or more\n"
  " +center +minus +plus +sagittal\n"
  "rmsWavefront \\(waves\\) +0\\.83268 " "bestFocus shift \\(mm\\) +-0\\.417515 " "rays +289 ")
if(out MATCHES "-0\\.0000 ")
  message(FATAL_ERROR "a zero printed with a sign:\n${out}")
endif()

# JSON in its documented shape.
expect_run(0 "quality;--json;${EXAMPLES}/paraboloid-f5.ov")
string(JSON lambda GET "${out}" wavelength_um)
string(JSON method GET "${out}" strehlMethod)
string(JSON nfields LENGTH "${out}" fields)
string(JSON first MEMBER "${out}" fields 0)
string(JSON last MEMBER "${out}" fields 3)
string(JSON limited GET "${out}" fields center diffractionLimited)
string(JSON rule GET "${out}" diffractionLimitedRule)
string(JSON cy GET "${out}" fields sagittal centroid 1)
string(JSON shift GET "${out}" fields plus bestFocus shift)
string(JSON rays GET "${out}" fields minus rays)
if(NOT lambda EQUAL 0.5588 OR NOT method MATCHES "Marechal" OR NOT nfields EQUAL 4 OR NOT first STREQUAL "center"
   OR NOT last STREQUAL "sagittal" OR NOT limited STREQUAL "ON" OR NOT cy MATCHES "^10\\.92" OR NOT shift MATCHES "^-0\\.019"
   OR NOT rays EQUAL 289 OR NOT rule STREQUAL "strehl >= 0.8")
  message(FATAL_ERROR "quality --json:\n${out}")
endif()

# Chosen fields, more rays, another wavelength (half the waves of the
# default at twice the wavelength).
expect_run(0 "quality;--json;--field;plus;--field;center;--rays;1000;--wavelength;1.1176;${EXAMPLES}/sphere.ov")
string(JSON nfields LENGTH "${out}" fields)
string(JSON first MEMBER "${out}" fields 0)
string(JSON rays GET "${out}" fields plus rays)
string(JSON w GET "${out}" fields center rmsWavefront)
if(NOT nfields EQUAL 2 OR NOT first STREQUAL "center" OR NOT rays EQUAL 1089 OR NOT w MATCHES "^0\\.41634")
  message(FATAL_ERROR "quality --field --rays --wavelength:\n${out}")
endif()

# Bad options are usage errors; a design that does not trace exits 4.
expect_run(1 "quality;--field;top;${EXAMPLES}/sphere.ov")
expect_run(1 "quality;--rays;0;${EXAMPLES}/sphere.ov")
expect_run(1 "quality;--wavelength;-1;${EXAMPLES}/sphere.ov")
file(MAKE_DIRECTORY ${WORK})
expect_no_focus(quality)

# The view as a PNG and as SVG (vector dots, circles and text), and on a
# printed page; SVG for the other views too.
expect_run(0 "render;${EXAMPLES}/schiefspiegler.ov;--view;quality;-o;${WORK}/quality.png")
file(READ ${WORK}/quality.png png LIMIT 8 HEX)
if(NOT png STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "render --view quality wrote no PNG: ${png}")
endif()
expect_run(0 "render;${EXAMPLES}/schiefspiegler.ov;--view;quality;-o;${WORK}/quality.svg")
file(READ ${WORK}/quality.svg svg)
if(NOT svg MATCHES "<svg" OR NOT svg MATCHES "Image quality: schiefspiegler" OR NOT svg MATCHES "rmsSpot 10\\.617")
  message(FATAL_ERROR "render --view quality as SVG:\n${svg}")
endif()
foreach(view design report standard)
  expect_run(0 "render;${EXAMPLES}/paraboloid-f5.ov;--view;${view};-o;${WORK}/${view}.svg")
  file(READ ${WORK}/${view}.svg svg LIMIT 4000)
  if(NOT svg MATCHES "<svg")
    message(FATAL_ERROR "render --view ${view} as SVG:\n${svg}")
  endif()
endforeach()
expect_run(4 "render;${WORK}/flat_only.ov;--view;quality;-o;${WORK}/flat.png")
expect_run(0 "print;${EXAMPLES}/toroid.ov;--view;quality;-o;${WORK}/quality.pdf")
file(READ ${WORK}/quality.pdf pdf LIMIT 5 HEX)
if(NOT pdf STREQUAL "255044462d")
  message(FATAL_ERROR "print --view quality wrote no PDF")
endif()
