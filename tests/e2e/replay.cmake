# Plays one scenario twice, each in a fresh folder with its own copy of the
# home folder, and fails unless the two runs left the same things: the same
# log once the real-time column is taken out (the TV clock stays), and the
# same files byte for byte (recordings, side files, every flipped frame,
# screenshots, the set's logs, the saved settings but for the 32-bit address
# of the host's key structure at bytes 936-939, which the loader fills in).
# TVSIM is the command (a launcher may come first), SCENARIO the scenario,
# HOME the build's home folder, WORK this test's folder, ARGS tvsim's options.
separate_arguments(args UNIX_COMMAND "${ARGS}")
foreach(run first second)
  set(folder ${WORK}/${run})
  file(REMOVE_RECURSE ${folder})
  file(MAKE_DIRECTORY ${folder}/frames)
  file(COPY ${HOME}/ DESTINATION ${folder}/home PATTERN "recolyx.cfg" EXCLUDE
       PATTERN "recolyx_extra.cfg" EXCLUDE)
  execute_process(COMMAND ${TVSIM} --home home --sandbox sandbox --frames frames
                          --scenario ${SCENARIO} ${args}
                  WORKING_DIRECTORY ${folder} OUTPUT_FILE ${folder}/log.txt
                  ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the ${run} run failed (${status}): ${errors}")
  endif()
  file(STRINGS ${folder}/log.txt lines)
  list(TRANSFORM lines REPLACE "^\\[ *[0-9.]+ " "[")
  set(log_${run} "${lines}")
  file(GLOB_RECURSE files_${run} LIST_DIRECTORIES false RELATIVE ${folder} ${folder}/*)
  list(REMOVE_ITEM files_${run} log.txt)
  list(SORT files_${run})
endforeach()

if(NOT log_first STREQUAL log_second)
  execute_process(COMMAND diff ${WORK}/first/log.txt ${WORK}/second/log.txt)
  message(FATAL_ERROR "the two runs printed different logs")
endif()
if(NOT files_first STREQUAL files_second)
  message(FATAL_ERROR "the two runs left different files:\n${files_first}\n--\n${files_second}")
endif()
list(LENGTH files_first count)
if(count LESS 20)
  message(FATAL_ERROR "only ${count} files: the scenario did too little to compare")
endif()
foreach(file IN LISTS files_first)
  if(file STREQUAL "home/recolyx.cfg")
    file(READ ${WORK}/first/${file} first LIMIT 936 HEX)
    file(READ ${WORK}/second/${file} second LIMIT 936 HEX)
  else()
    file(SHA256 ${WORK}/first/${file} first)
    file(SHA256 ${WORK}/second/${file} second)
  endif()
  if(NOT first STREQUAL second)
    message(FATAL_ERROR "${file} differs between the two runs")
  endif()
endforeach()
list(LENGTH log_first lines)
message("the same ${lines} log lines and ${count} files in both runs")
