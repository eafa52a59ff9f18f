# Pictures and pages written onto a full disk: exit 5 with the reason, any
# earlier file exactly as it was, and no temporary file left behind.
# The script runs itself again through `unshare` in a mount namespace of its
# own, where it mounts a small tmpfs and fills it; where that is not allowed
# (not root) it is skipped.
# Invoked with -DCLI=<orvelin-cli> -DEXAMPLES=<examples> -DWORK=<scratch> [-DINSIDE=1]

if(NOT INSIDE)
  find_program(UNSHARE unshare)
  if(NOT UNSHARE)
    message("SKIPPED: no unshare")
    return()
  endif()
  execute_process(COMMAND ${UNSHARE} --mount --propagation private ${CMAKE_COMMAND} -DINSIDE=1
    -DCLI=${CLI} -DEXAMPLES=${EXAMPLES} -DWORK=${WORK} -P ${CMAKE_CURRENT_LIST_FILE}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(err MATCHES "unshare: " AND NOT err MATCHES "orvelin")
    message("SKIPPED: ${err}")
    return()
  endif()
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${out}${err}")
  endif()
  message("${out}${err}")
  return()
endif()

set(full ${WORK}/full)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${full})
execute_process(COMMAND mount -t tmpfs -o size=256k tmpfs ${full} RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message("SKIPPED: cannot mount a tmpfs: ${err}")
  return()
endif()
set(ENV{QT_QPA_PLATFORM} offscreen)
foreach(name x.png x.svg x.pdf)
  file(WRITE ${full}/${name} "earlier ${name}\n")
endforeach()
execute_process(COMMAND dd if=/dev/zero of=${full}/fill bs=4096 OUTPUT_QUIET ERROR_QUIET)

set(example ${EXAMPLES}/paraboloid-f5.ov)
foreach(run "render;${example};-o;${full}/x.png" "render;${example};-o;${full}/x.svg"
            "render;${example};--view;quality;-o;${full}/new.png"
            "print;${example};--view;report;-o;${full}/x.pdf")
  execute_process(COMMAND ${CLI} ${run} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 5 OR NOT err MATCHES "${full}/[a-z]+\\.(png|svg|pdf): cannot write: .")
    message(FATAL_ERROR "orvelin-cli ${run} on a full disk: exit ${rc}, '${err}'")
  endif()
endforeach()
foreach(name x.png x.svg x.pdf)
  file(READ ${full}/${name} kept)
  if(NOT kept STREQUAL "earlier ${name}\n")
    message(FATAL_ERROR "${name} was changed by a failed write: '${kept}'")
  endif()
endforeach()
file(GLOB left RELATIVE ${full} ${full}/* ${full}/.*)
list(SORT left)
if(NOT left STREQUAL "fill;x.pdf;x.png;x.svg")
  message(FATAL_ERROR "files left on the full disk: ${left}")
endif()
execute_process(COMMAND umount ${full})
