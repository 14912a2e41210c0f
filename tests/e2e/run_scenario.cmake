# Plays one scenario file with tvsim in a fresh WORK folder (its sandbox in
# WORK/sandbox) and checks how the run ended. The checks of what the run did
# are the scenario's own steps, made by tvsim; this script reads only these
# comment lines of the file:
#   # options: ARGS          tvsim options (may be repeated), e.g. --speed 100
#   # home: private [without NAME...]
#                            a home folder of the test's own (WORK/home, the
#                            build's home HOME linked file by file, without
#                            the settings files and the NAMEs), for runs that
#                            save or set a setting of recolyx_extra.cfg
#   # fails: REGEX           the run must be refused or fail: tvsim ends
#                            non-zero and prints lines matching each REGEX
#                            (CMake's regular expressions), in order
#   # picture: WHAT          the scenario needs the picture in the recorder's
#                            streams: where PICTURE is OFF (a tvsim built
#                            for the set, without the encoder) it is skipped,
#                            saying "e2e: skipped: " and WHAT
# Without "fails" tvsim must end with status 0 and "tvsim: done".
# TVSIM is the command (a launcher and its arguments may come first).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(STRINGS ${SCENARIO} header REGEX "^# (options|home|fails|picture): ")
set(options "")
set(fails "")
foreach(line IN LISTS header)
  if(line MATCHES "^# options: (.*)$")
    separate_arguments(more UNIX_COMMAND "${CMAKE_MATCH_1}")
    list(APPEND options ${more})
  elseif(line MATCHES "^# home: private(.*)$")
    separate_arguments(left_out UNIX_COMMAND "${CMAKE_MATCH_1}")
    list(REMOVE_ITEM left_out without)
    file(MAKE_DIRECTORY ${WORK}/home)
    file(GLOB entries RELATIVE ${HOME} ${HOME}/*)
    foreach(entry IN LISTS entries)
      list(FIND left_out "${entry}" skip)
      if(NOT entry MATCHES "^recolyx(_extra)?\\.(cfg|tmp)$" AND skip EQUAL -1)
        file(CREATE_LINK ${HOME}/${entry} ${WORK}/home/${entry} SYMBOLIC)
      endif()
    endforeach()
    list(APPEND options --home ${WORK}/home)
  elseif(line MATCHES "^# fails: (.*)$")
    list(APPEND fails "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^# picture: (.*)$" AND DEFINED PICTURE AND NOT PICTURE)
    message("e2e: skipped: this tvsim records no picture, which the scenario needs (${CMAKE_MATCH_1})")
    return()
  endif()
endforeach()

# Options for every scenario of a run (e.g. --shake random while soaking).
if(DEFINED ENV{RECOLYX_TVSIM_OPTIONS})
  separate_arguments(more UNIX_COMMAND "$ENV{RECOLYX_TVSIM_OPTIONS}")
  list(APPEND options ${more})
endif()

# The build's home is shared by every scenario that has no home of its own:
# one that saved settings there would change the runs after it.
set(shared_settings recolyx.cfg recolyx_extra.cfg)
set(private_home OFF)
if(options MATCHES "--home")
  set(private_home ON)
endif()
foreach(name IN LISTS shared_settings)
  set(before_${name} "")
  if(EXISTS ${HOME}/${name})
    file(READ ${HOME}/${name} before_${name} HEX)
    file(COPY_FILE ${HOME}/${name} ${WORK}/shared_${name})
  endif()
endforeach()

# The scenario comes first: options refused after it still meet its checks.
execute_process(COMMAND ${TVSIM} --sandbox sandbox --scenario ${SCENARIO} ${options}
                WORKING_DIRECTORY ${WORK}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
file(WRITE ${WORK}/output.txt "${out}${err}")
message("${out}${err}")
if(NOT private_home)
  foreach(name IN LISTS shared_settings)
    set(after "")
    if(EXISTS ${HOME}/${name})
      file(READ ${HOME}/${name} after HEX)
    endif()
    if(NOT after STREQUAL before_${name})
      # Put back as it was, so that the runs after this one are not changed.
      if(before_${name} STREQUAL "")
        file(REMOVE ${HOME}/${name})
      else()
        file(COPY_FILE ${WORK}/shared_${name} ${HOME}/${name})
      endif()
      message(FATAL_ERROR "the run changed the shared home's ${name}: give the scenario '# home: private'")
    endif()
  endforeach()
endif()
string(REPLACE ";" "," text "${out}${err}")
string(REPLACE "\n" ";" lines "${text}")

if(fails STREQUAL "")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "tvsim exited with ${status}")
  endif()
  list(FILTER lines INCLUDE REGEX "tvsim: done$")
  if(lines STREQUAL "")
    message(FATAL_ERROR "tvsim did not get to its end (no 'tvsim: done')")
  endif()
  return()
endif()

if(status EQUAL 0)
  message(FATAL_ERROR "tvsim should have refused the scenario or failed")
endif()
# The checks a refused scenario still makes (its never and file checks).
if(text MATCHES "tvsim: scenario line [0-9]+: expected ")
  message(FATAL_ERROR "a check of the refused scenario failed")
endif()
set(position 0)
list(LENGTH lines count)
foreach(expected IN LISTS fails)
  string(REPLACE ";" "," expected "${expected}")
  set(found -1)
  foreach(index RANGE ${position} ${count})
    if(index LESS count)
      list(GET lines ${index} line)
      if(line MATCHES "${expected}")
        set(found ${index})
        break()
      endif()
    endif()
  endforeach()
  if(found LESS 0)
    message(FATAL_ERROR "no line matching '${expected}' after line ${position}")
  endif()
  math(EXPR position "${found} + 1")
endforeach()
