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
