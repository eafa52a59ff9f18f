# orvelin-cli clearance on the shipped examples and on designs written here,
# run as a user would.  Invoked with -DCLI=<orvelin-cli> -DEXAMPLES=<examples>
# -DWORK=<scratch folder> -DSUPPORT=<tests/support>.

include(${SUPPORT}/cli_expect.cmake)

# The f/5 paraboloid forms its image inside the beam coming to it: the
# detector must move 50 (half the beam) plus the image's half-size to leave.
set(parab ${EXAMPLES}/paraboloid-f5.ov)
expect_run(8 "clearance;${parab}" "space +surface +clearance\n" "  entrance +2 +-54\\.400119  obstructed\n"
  "\nobstructed: smallest clearance -54\\.400119\n")
if(NOT err MATCHES "obstructed: surface 2 reaches 54\\.400119 mm into the entrance beam")
  message(FATAL_ERROR "paraboloid: stderr '${err}'")
endif()
expect_run(8 "clearance;--json;${parab}" "\"clear\": false" "\"minClearance\": -54\\.4001"
  "\"space\": \"entrance\",\n +\"surface\": 2,\n +\"clearance\": -54\\.4001")

# The shipped Schiefspiegler keeps every beam clear, its secondary's rim a
# millimetre from the edge field's entrance beam.
expect_run(0 "clearance;${EXAMPLES}/schiefspiegler.ov" "  entrance +2 +1\\.011774\n"
  "\nclear: smallest clearance 1\\.011774\n")
expect_run(0 "clearance;${EXAMPLES}/toroid.ov" "\nclear: smallest clearance 2\\.000820\n")

# With slightly smaller tilts its secondary grazes the edge field's entrance
# beam by a fifth of a millimetre; a margin of -1 lets it pass, one of 80
# fails the next pair too (the beam to the focus passes the primary by 76).
file(MAKE_DIRECTORY ${WORK})
set(schief ${WORK}/grazing.ov)
file(WRITE ${schief} "QuorVex V0.90                       grazing

 2 surface design

 Type         Radius        CC/Rsag       Tilt          Separation

 0             3300          0             3.8           700
 0            -3300          0            -6.6           2239
 0             0             0            -5.41         focal plane

 Aperture 110 mm         Field 0.5 Degrees     f/35.30
")
expect_run(8 "clearance;${schief}" "  entrance +2 +-0\\.198510  obstructed\n" "  2-3 +1 +76\\.356058\n")
expect_run(0 "clearance;${schief};--margin;-1" "\nclear: smallest clearance -0\\.198510\n")
expect_run(8 "clearance;${schief};--margin;80" "  2-3 +1 +76\\.356058  below margin\n")
expect_run(8 "clearance;${schief};--margin;-0.1")
expect_run(8 "clearance;${schief};--margin;-0.1")
if(NOT err MATCHES "surface 2 reaches 0\\.198510 mm into the entrance beam")
  message(FATAL_ERROR "margin: stderr '${err}'")
endif()
expect_run(0 "clearance;--json;${schief};--margin;-1" "\"clear\": true" "\"space\": \"2-3\"")

# A wider edge allowance reaches farther into the beam; the blank's thickness
# does not matter here, the rim is nearest.
expect_run(8 "clearance;${schief};--edge;5;--thickness;0" "  entrance +2 +-5\\.")

# At twice its tilts the secondary stands clear of the entrance beam.
file(WRITE ${WORK}/wide.ov "QuorVex V0.90                       wide

 2 surface design

 Type         Radius        CC/Rsag       Tilt          Separation

 0             3300          0             7.6           700
 0            -3300          0            -13.2          2239
 0             0             0            -10.82        focal plane

 Aperture 110 mm         Field 0.5 Degrees     f/35.30
")
expect_run(0 "clearance;${WORK}/wide.ov" "\nclear: smallest clearance [0-9]+\\.[0-9]+\n")
expect_run(8 "clearance;${WORK}/wide.ov;--margin;1000")
if(NOT err MATCHES "obstructed: surface [1-3] is [0-9.]+ mm from the (entrance beam|beam [1-3]-[1-3]), less than the margin 1000")
  message(FATAL_ERROR "margin: stderr '${err}'")
endif()

# Refused input: negative widths, a margin that is not a number, a design
# without focus (exit 4 with the banner's message).
expect_run(1 "clearance;${schief};--edge;-1")
expect_run(1 "clearance;${schief};--thickness;-3")
expect_run(1 "clearance;${schief};--margin;nan")
expect_no_focus(clearance)

# The view as a picture and on paper; a design without focus shows the
# trace problem and says so.
file(REMOVE ${WORK}/schief.png ${WORK}/schief.pdf)
expect_run(0 "render;${schief};--view;clearance;-o;${WORK}/schief.png")
expect_run(0 "print;${schief};--view;clearance;-o;${WORK}/schief.pdf")
foreach(made schief.png schief.pdf)
  if(NOT EXISTS ${WORK}/${made})
    message(FATAL_ERROR "${made} was not written")
  endif()
endforeach()
expect_run(4 "render;${WORK}/flat_only.ov;--view;clearance;-o;${WORK}/flat.png")
