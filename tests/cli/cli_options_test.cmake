# Every numeric option of every command refuses NaN and the infinities, and
# a value out of its range is refused with its bound in words: exit 1 and a
# message naming the option, before any design is read.
# Invoked with -DCLI=<orvelin-cli> -DEXAMPLES=<examples> -DWORK=<scratch> -DSUPPORT=<tests/support>.

set(f ${EXAMPLES}/schiefspiegler.ov)
# expect_refused(pattern args...): exit 1 with stderr matching pattern.
function(expect_refused pattern)
  execute_process(COMMAND ${CLI} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 1 OR NOT err MATCHES "${pattern}")
    message(FATAL_ERROR "orvelin-cli ${ARGN}: exit ${rc}, stderr '${err}', stdout '${out}'")
  endif()
  if(err MATCHES "[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]")
    message(FATAL_ERROR "orvelin-cli ${ARGN}: a bound no one reads: '${err}'")
  endif()
endfunction()

foreach(bad nan NaN inf -inf Infinity 1e999)
  expect_refused("--wavelength: must be a finite number, not ${bad}" quality ${f} --wavelength ${bad})
  expect_refused("--rays: must be a finite number" quality ${f} --rays ${bad})
  expect_refused("--edge: must be a finite number" clearance ${f} --edge ${bad})
  expect_refused("--thickness: must be a finite number" clearance ${f} --thickness ${bad})
  expect_refused("--margin: must be a finite number" clearance ${f} --margin ${bad})
  expect_refused("--max-iterations: must be a finite number"
                 optimise ${f} -o ${WORK}/o.ov --vary sep:1 --max-iterations ${bad})
  expect_refused("--keep-clear: must be a finite number" optimise ${f} -o ${WORK}/o.ov --vary sep:1 --keep-clear ${bad})
  expect_refused("--focus-steps: must be a finite number" render ${f} --view standard -o ${WORK}/x.png --focus-steps ${bad})
  expect_refused("--dpi: must be a finite number" print ${f} --view report -o ${WORK}/x.pdf --dpi ${bad})
endforeach()

# Ranges, in words.
expect_refused("--edge: must be 0 or more, not -5" clearance ${f} --edge -5)
expect_refused("--thickness: must be 0 or more, not -0.5" clearance ${f} --thickness -0.5)
expect_refused("--rays: must be from 1 to [0-9]+, not 0" quality ${f} --rays 0)
expect_refused("--wavelength: must be from 1e-06 to 1000000, not -1" quality ${f} --wavelength -1)
expect_refused("--keep-clear: must be 0 or more, not -1" optimise ${f} -o ${WORK}/o.ov --vary sep:1 --keep-clear -1)
expect_refused("--max-iterations: must be 0 or more, not -2" optimise ${f} -o ${WORK}/o.ov --vary sep:1 --max-iterations -2)
expect_refused("--dpi: must be from 72 to 2400, not 10" print ${f} --view report -o ${WORK}/x.pdf --dpi 10)
