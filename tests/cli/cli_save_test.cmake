# As an ordinary user, `convert` onto a file of mode 0444 exits 5 with
# "permission denied" and leaves the file byte for byte as it was, though
# its folder would let anyone replace it.  Run as root, the tool runs as
# "nobody" through setpriv; where that is impossible the test is skipped.
# Invoked with -DCLI=<orvelin-cli> -DEXAMPLES=<examples> -DSUPPORT=<tests/support>.
string(RANDOM LENGTH 8 tag)
set(work /tmp/orvelin-cli-save-${tag})
file(MAKE_DIRECTORY ${work})
file(CHMOD ${work} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_WRITE GROUP_EXECUTE
  WORLD_READ WORLD_WRITE WORLD_EXECUTE)
file(COPY ${EXAMPLES}/sphere.ov DESTINATION ${work})
set(target ${work}/ro.ov)
file(WRITE ${target} "a file nobody may change\n")
file(CHMOD ${target} PERMISSIONS OWNER_READ GROUP_READ WORLD_READ)

execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
set(as_user)
if(uid EQUAL 0)
  find_program(SETPRIV setpriv)
  if(SETPRIV)
    set(as_user ${SETPRIV} --reuid=nobody --regid=nogroup --clear-groups)
    execute_process(COMMAND ${as_user} ${CLI} --help RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(NOT SETPRIV OR NOT rc EQUAL 0)
    file(REMOVE_RECURSE ${work})
    message("SKIPPED: running as root and cannot run orvelin-cli as the user nobody")
    return()
  endif()
endif()

execute_process(COMMAND ${as_user} ${CLI} convert ${work}/sphere.ov ${target}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(READ ${target} after)
file(GLOB left ${work}/*)
list(LENGTH left count)
file(REMOVE_RECURSE ${work})
if(NOT rc EQUAL 5)
  message(FATAL_ERROR "convert onto a read-only file: exit ${rc}, expected 5: ${err}")
endif()
if(NOT err STREQUAL "orvelin-cli: ${target}: permission denied\n")
  message(FATAL_ERROR "convert onto a read-only file: stderr '${err}'")
endif()
if(NOT after STREQUAL "a file nobody may change\n" OR NOT count EQUAL 2)
  message(FATAL_ERROR "the read-only file was changed ('${after}') or a file was left (${count} files)")
endif()
