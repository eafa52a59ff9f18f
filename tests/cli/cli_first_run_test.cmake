# The first run without a display, as a newcomer starts it: scripts/run
# prints the design, its report, its image quality and its clearance, writes
# the pictures of the views to out/, and shows no compiler output.
# Invoked with -DSOURCE=<source tree> -DBUILD=<build folder>.

set(ENV{BUILD_DIR} ${BUILD})
set(ENV{QT_QPA_PLATFORM} offscreen)
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
set(name schiefspiegler)
file(REMOVE_RECURSE ${SOURCE}/out/${name}-quality.png ${SOURCE}/out/${name}-clearance.png)
execute_process(COMMAND ${SOURCE}/scripts/run examples/${name}.ov WORKING_DIRECTORY ${SOURCE}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "scripts/run: exit ${rc}\n${out}\n${err}")
endif()
foreach(pattern "Radius" "F/ratio" "rmsWavefront \\(waves\\)" "diffraction-limited when" "clear"
        "out/${name}-quality\\.png" "out/${name}-clearance\\.png")
  if(NOT out MATCHES "${pattern}")
    message(FATAL_ERROR "scripts/run prints no '${pattern}':\n${out}")
  endif()
endforeach()
if(out MATCHES "Building CXX|Linking|warning:" OR err MATCHES "Building CXX|Linking")
  message(FATAL_ERROR "scripts/run shows the compiler's output:\n${out}\n${err}")
endif()
foreach(view quality clearance)
  file(READ ${SOURCE}/out/${name}-${view}.png png LIMIT 8 HEX)
  if(NOT png STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "scripts/run wrote no out/${name}-${view}.png")
  endif()
endforeach()
