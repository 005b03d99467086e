# Draws the whole show once with the instrumented core (see profile_guided.cmake), unless the
# profile already comes from this very program. Called with -DCAPTURE= -DDATAGEN= -DRUN_DIR=
# -DPROFILE_DIR=.
set(stamp ${RUN_DIR}/profile.made)
if(EXISTS ${stamp} AND NOT ${CAPTURE} IS_NEWER_THAN ${stamp})
  return()
endif()
# Counts add up over runs: a fresh profile starts empty.
file(REMOVE_RECURSE ${PROFILE_DIR})
execute_process(COMMAND ${DATAGEN} --force ${RUN_DIR}/data OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CAPTURE} --data ${RUN_DIR}/data --threads 1 --hashes ${RUN_DIR}/hashes.txt
                COMMAND_ERROR_IS_FATAL ANY)
file(TOUCH ${stamp})
