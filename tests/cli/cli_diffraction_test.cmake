# orvelin-cli diffraction on the shipped examples, run as a user would.
# Invoked with -DCLI=<orvelin-cli> -DEXAMPLES=<examples folder> -DWORK=<scratch folder>
# -DSUPPORT=<tests/support>.

include(${SUPPORT}/cli_expect.cmake)
file(MAKE_DIRECTORY ${WORK})

# The table: one column per field, how the pupil was sampled, the MTF with
# its frequencies.  The perfect paraboloid's axis is the Airy pattern.
expect_run(0 "diffraction;${EXAMPLES}/paraboloid-f5.ov" " +center +minus +plus +sagittal\n"
  "128 x 128 grid" "256 x 256" "perpendicular to the chief ray"
  "strehl +1\\.0000 " "ee50 \\(um\\) +1\\.498" "MTF 50% frequency \\(c/mm\\) +178\\.5" "MTF 50% tangential +0\\.391")

# JSON in its documented shape; curves from 0 to the cutoff, 64 points or
# more.
expect_run(0 "diffraction;--json;--psf-csv;${WORK}/psf.csv;--mtf-csv;${WORK}/mtf.csv;${EXAMPLES}/schiefspiegler.ov")
string(JSON lambda GET "${out}" wavelength_um)
string(JSON grid GET "${out}" grid)
string(JSON size GET "${out}" fftSize)
string(JSON nfields LENGTH "${out}" fields)
string(JSON last MEMBER "${out}" fields 3)
string(JSON strehl GET "${out}" fields center strehl)
string(JSON marechal GET "${out}" fields center strehlMarechal)
string(JSON ee80 GET "${out}" fields plus ee80)
string(JSON cutoff GET "${out}" fields plus cutoff)
string(JSON points LENGTH "${out}" fields plus mtf frequency)
string(JSON f0 GET "${out}" fields plus mtf frequency 0)
math(EXPR lastPoint "${points} - 1")
string(JSON fend GET "${out}" fields plus mtf frequency ${lastPoint})
string(JSON limit LENGTH "${out}" fields plus mtf diffractionLimit)
string(JSON eePoints LENGTH "${out}" fields minus encircledEnergy fraction)
if(NOT lambda EQUAL 0.5588 OR NOT grid EQUAL 128 OR NOT size EQUAL 256 OR NOT nfields EQUAL 4
   OR NOT last STREQUAL "sagittal" OR NOT strehl MATCHES "^0\\.94" OR NOT marechal MATCHES "^0\\.94"
   OR NOT ee80 MATCHES "^27\\.95" OR points LESS 64 OR NOT f0 EQUAL 0 OR NOT fend EQUAL cutoff
   OR NOT limit EQUAL points OR eePoints LESS 64)
  message(FATAL_ERROR "diffraction --json:\n${out}")
endif()
# The CSV files: the PSF as a 256 x 256 grid per field, the MTF in columns.
file(STRINGS ${WORK}/psf.csv psf)
list(LENGTH psf psfLines)
list(GET psf 0 first)
list(GET psf 1 header)
if(NOT psfLines EQUAL 1032 OR NOT first MATCHES "^field,center,spacing_um,9\\.88" OR NOT header MATCHES "^y_um.x_um,")
  message(FATAL_ERROR "--psf-csv: ${psfLines} lines, '${first}'")
endif()
file(STRINGS ${WORK}/mtf.csv mtf)
list(LENGTH mtf mtfLines)
list(GET mtf 0 columns)
list(GET mtf 1 zero)
if(NOT mtfLines EQUAL 130 OR NOT columns MATCHES "^center_frequency_cycles_per_mm,center_tangential,"
   OR NOT zero MATCHES "^0,1,1,1,0,1,1,1,")
  message(FATAL_ERROR "--mtf-csv: ${mtfLines} lines, '${columns}', '${zero}'")
endif()

# Chosen fields, another grid and wavelength: twice the wavelength halves
# the cutoff.
expect_run(0 "diffraction;--json;--field;plus;--field;center;--grid;64;--wavelength;1.1176;${EXAMPLES}/paraboloid-f5.ov")
string(JSON nfields LENGTH "${out}" fields)
string(JSON first MEMBER "${out}" fields 0)
string(JSON grid GET "${out}" grid)
string(JSON cutoff GET "${out}" fields center cutoff)
if(NOT nfields EQUAL 2 OR NOT first STREQUAL "center" OR NOT grid EQUAL 64 OR NOT cutoff MATCHES "^178\\.50")
  message(FATAL_ERROR "diffraction --field --grid --wavelength:\n${out}")
endif()

# Bad options are usage errors with a clear message; a design that does
# not trace exits 4; an output file that cannot be written exits 5.
expect_run(1 "diffraction;--grid;15;${EXAMPLES}/sphere.ov")
if(NOT err MATCHES "16 to 1024")
  message(FATAL_ERROR "--grid 15: '${err}'")
endif()
expect_run(1 "diffraction;--grid;1025;${EXAMPLES}/sphere.ov")
expect_run(1 "diffraction;--field;top;${EXAMPLES}/sphere.ov")
expect_run(1 "diffraction;--wavelength;0;${EXAMPLES}/sphere.ov")
expect_no_focus(diffraction)
expect_run(5 "diffraction;--mtf-csv;${WORK}/no/such/folder/mtf.csv;${EXAMPLES}/sphere.ov")

# The view as PNG and SVG, on the linear and the logarithmic scale, its
# printed page, and the refusal of a design that does not trace.
foreach(scale linear log)
  set(flag "")
  if(scale STREQUAL "log")
    set(flag ";--log")
  endif()
  expect_run(0 "render;${EXAMPLES}/schiefspiegler.ov;--view;diffraction${flag};-o;${WORK}/view-${scale}.png")
  file(READ ${WORK}/view-${scale}.png png LIMIT 8 HEX)
  if(NOT png STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "render --view diffraction${flag} wrote no PNG: ${png}")
  endif()
  expect_run(0 "render;${EXAMPLES}/schiefspiegler.ov;--view;diffraction${flag};-o;${WORK}/view-${scale}.svg")
  file(READ ${WORK}/view-${scale}.svg svg)
  # One embedded picture a field and one for the colour scale, not a
  # rectangle a pixel.
  string(REGEX MATCHALL "<image" images "${svg}")
  list(LENGTH images nimages)
  if(NOT svg MATCHES "Diffraction: schiefspiegler" OR NOT svg MATCHES "PSF intensity, ${scale}" OR NOT nimages EQUAL 5)
    message(FATAL_ERROR "render --view diffraction${flag} as SVG: ${nimages} images, or no title")
  endif()
endforeach()
expect_run(4 "render;${WORK}/flat_only.ov;--view;diffraction;-o;${WORK}/flat.png")
expect_run(0 "print;${EXAMPLES}/paraboloid-f5.ov;--view;diffraction;--log;-o;${WORK}/diffraction.pdf")
file(READ ${WORK}/diffraction.pdf pdf LIMIT 5 HEX)
if(NOT pdf STREQUAL "255044462d")
  message(FATAL_ERROR "print --view diffraction wrote no PDF")
endif()
expect_run(4 "print;${WORK}/flat_only.ov;--view;diffraction;-o;${WORK}/flat.pdf")
