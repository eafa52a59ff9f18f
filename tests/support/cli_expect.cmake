# expect_run(code args pattern...): run ${CLI} with the ;-list `args`; fail
# unless it exits with `code` and its stdout matches every pattern.  Leaves
# `out` and `err` in the caller's scope.
function(expect_run code args)
  execute_process(COMMAND ${CLI} ${args} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL ${code})
    message(FATAL_ERROR "orvelin-cli ${args}: exit ${rc}, expected ${code}: ${err}")
  endif()
  foreach(pattern ${ARGN})
    if(NOT out MATCHES "${pattern}")
      message(FATAL_ERROR "orvelin-cli ${args}: output lacks '${pattern}':\n${out}")
    endif()
  endforeach()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

# write_flat_only_design(path): a lone flat mirror before its focal plane, a
# design that traces to no focus (exit 4, "There is no focus").
function(write_flat_only_design path)
  file(WRITE ${path} "QuorVex V0.90                       flat_only

 1 surface design

 Type         Radius        CC/Rsag       Tilt          Separation

 0             0             0             0             500
 0             0             0             0            focal plane

 Aperture 100 mm         Field 0 Degrees     f/0.00
")
endfunction()

# A design of one flat mirror has no focus: `command` on it exits 4 and says
# so (the file is written into ${WORK}).
function(expect_no_focus command)
  write_flat_only_design(${WORK}/flat_only.ov)
  expect_run(4 "${command};${WORK}/flat_only.ov")
  if(NOT err MATCHES "There is no focus")
    message(FATAL_ERROR "${command} of a flat mirror: stderr '${err}'")
  endif()
endfunction()
