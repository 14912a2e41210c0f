# The catalogue loader's fuzz target (clang's libFuzzer, built when clang++ is
# found) and the replay of its corpus as a regression test (normal compiler,
# so it runs under the build's sanitizers).
set(_catalogue_fuzz_sources
  ${CMAKE_SOURCE_DIR}/fuzz/catalogue_fuzz.cpp
  ${CMAKE_SOURCE_DIR}/fuzz/catalogue_fuzz_host.cpp
  ${CMAKE_SOURCE_DIR}/plugin/settings/message_catalogue.cpp
  ${CMAKE_SOURCE_DIR}/plugin/settings/catalogue_format.cpp
  ${CMAKE_SOURCE_DIR}/plugin/settings/language.cpp
  ${CMAKE_SOURCE_DIR}/plugin/settings/settings_record.cpp)

add_executable(catalogue_fuzz_replay ${_catalogue_fuzz_sources}
               ${CMAKE_SOURCE_DIR}/fuzz/catalogue_replay_main.cpp)
target_include_directories(catalogue_fuzz_replay PRIVATE ${CMAKE_SOURCE_DIR}/plugin)
add_test(NAME catalogue_fuzz_corpus
         COMMAND catalogue_fuzz_replay ${CMAKE_SOURCE_DIR}/fuzz/corpus/catalogue)

find_program(RECOLYX_CLANGXX NAMES clang++ clang++-14)
if(RECOLYX_CLANGXX)
  set(_fuzzer ${CMAKE_BINARY_DIR}/fuzz/catalogue_fuzz)
  add_custom_command(OUTPUT ${_fuzzer}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/fuzz
    COMMAND ${RECOLYX_CLANGXX} -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined
            -I${CMAKE_SOURCE_DIR}/plugin ${_catalogue_fuzz_sources} -o ${_fuzzer}
    DEPENDS ${_catalogue_fuzz_sources}
    COMMENT "Building the catalogue fuzz target with clang" VERBATIM)
  add_custom_target(catalogue_fuzz ALL DEPENDS ${_fuzzer})
endif()
