# GoogleTest binaries as CTest tests, labelled by kind (tests/check_labels.py
# checks every test's labels):
#
#   recolyx_gtest(TARGET [STRESS] [TIMEOUT SECONDS] [SHARDS N] [THREADED FILTER])
#
# With STRESS the binary holds threaded stress tests (names with Concurrent,
# Thread or Stress): they are labelled `stress`, the others `unit`; those
# matching the GoogleTest filter THREADED also `threads`, for the
# ThreadSanitizer suite.
#
# Natively every test is a CTest test of its own, found after the build, and
# TIMEOUT is each test's. Under the emulator (the build for the set) one
# process runs many tests, so that the emulator starts a few times per binary
# instead of once per test: the plain unit tests in SHARDS processes (default
# 1) that CTest runs side by side, NAME.shard1 .. NAME.shardN (or NAME alone);
# the threaded ones in NAME.threads, alone like the scenarios; the stress
# tests in NAME.stress. Each process there may take 25 minutes.
include_guard(GLOBAL)
include(GoogleTest)

set(RECOLYX_STRESS_FILTER "*Concurrent*:*Thread*:*Stress*")

function(recolyx_gtest target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "STRESS" "TIMEOUT;SHARDS;THREADED" "")
  # GoogleTest filters ("POSITIVE:...-NEGATIVE:...") of the stress tests, the
  # threaded ones, and the plain unit tests: all others.
  set(stress ${RECOLYX_STRESS_FILTER})
  set(threaded ${arg_THREADED})
  set(plain "*")
  set(not_plain)
  if(arg_STRESS)
    list(APPEND not_plain ${stress})
    string(APPEND threaded "-${stress}")
  endif()
  if(arg_THREADED)
    list(APPEND not_plain ${arg_THREADED})
  endif()
  if(not_plain)
    list(JOIN not_plain ":" not_plain)
    set(plain "*-${not_plain}")
  endif()
  # A binary whose tests all run threads has no plain ones.
  set(has_plain ON)
  if(arg_THREADED STREQUAL "*")
    set(has_plain OFF)
  endif()

  if(CMAKE_CROSSCOMPILING)
    if(NOT arg_SHARDS)
      set(arg_SHARDS 1)
    endif()
    if(has_plain)
      foreach(shard RANGE 1 ${arg_SHARDS})
        set(name ${target})
        if(arg_SHARDS GREATER 1)
          set(name ${target}.shard${shard})
        endif()
        math(EXPR index "${shard} - 1")
        add_test(NAME ${name} COMMAND ${target} --gtest_filter=${plain})
        # COST: the longest processes start first, so none is left to run alone at the end.
        set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 1500 COST 1000
          ENVIRONMENT "GTEST_TOTAL_SHARDS=${arg_SHARDS};GTEST_SHARD_INDEX=${index}")
      endforeach()
    endif()
    # The threaded tests keep their margins of real time between threads
    # only when nothing else runs beside them under the emulator.
    if(arg_THREADED)
      add_test(NAME ${target}.threads COMMAND ${target} --gtest_filter=${threaded})
      set_tests_properties(${target}.threads PROPERTIES LABELS "unit;threads" TIMEOUT 1500
                           RUN_SERIAL ON)
    endif()
    if(arg_STRESS)
      add_test(NAME ${target}.stress COMMAND ${target} --gtest_filter=${stress})
      set_tests_properties(${target}.stress PROPERTIES LABELS stress TIMEOUT 1500 COST 500)
    endif()
    return()
  endif()

  set(discover ${target} DISCOVERY_TIMEOUT 60)
  set(timeout)
  if(arg_TIMEOUT)
    set(timeout TIMEOUT ${arg_TIMEOUT})
  endif()
  if(has_plain)
    gtest_discover_tests(${discover} TEST_FILTER "${plain}" PROPERTIES LABELS unit ${timeout})
  endif()
  if(arg_THREADED)
    # A list of two labels cannot pass through the discovery's properties:
    # they are set once the discovered tests are read.
    gtest_discover_tests(${discover} TEST_FILTER "${threaded}" TEST_LIST ${target}_threaded
                         PROPERTIES LABELS unit ${timeout})
    set(labels ${CMAKE_CURRENT_BINARY_DIR}/${target}_threaded_labels.cmake)
    file(WRITE ${labels}
      "if(${target}_threaded)\n"
      "  set_tests_properties(\${${target}_threaded} PROPERTIES LABELS \"unit;threads\")\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels})
  endif()
  if(arg_STRESS)
    gtest_discover_tests(${discover} TEST_FILTER "${stress}" PROPERTIES LABELS stress ${timeout})
  endif()
endfunction()
