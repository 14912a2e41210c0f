#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every suite:
# the native suite, the suite under AddressSanitizer + UndefinedBehaviorSanitizer,
# the threaded tests under ThreadSanitizer, the plug-in's library built with
# clang's thread-safety analysis, the build for the set with its
# whole suite under qemu-arm (unit, loader and end-to-end tests, and the
# checks of the package for the set), and a short run of every libFuzzer target.
# Each suite runs two tests at a time (the test presets); under the emulator
# the scenarios and the threaded tests run alone.
set -uo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh all || exit 1
bash tools/arm-sysroot.sh build/arm-sysroot || exit 1

source tools/suites.sh

mkdir -p build
run_suite debug
run_suite asan
# Under ThreadSanitizer the threaded tests: the stress tests and the other
# tests that run threads (TSAN_TESTS, a regular expression, picks others).
# Only what those tests need is built.
SUITE_TARGETS="recolyx_tests detour_tests recolyx osd_ttf osd_ttf_noquit home_assets catalogue_files script_files"
if [ -n "${TSAN_TESTS:-}" ]; then
  run_suite tsan -R "$TSAN_TESTS"
else
  run_suite tsan -L "stress|threads"
fi
SUITE_TARGETS=

# Clang's thread-safety analysis (plugin/thread_annotations.h): the plug-in's
# library built with -Wthread-safety -Werror, one suite that passes when it
# builds.
run_thread_safety() {
  echo "=== clang thread-safety: configure and build"
  if ! cmake --preset clang-tsa >build/clang-tsa.configure.log 2>&1; then
    echo "clang thread-safety: FAILED"; cat build/clang-tsa.configure.log
    status=1; failed=$((failed + 1)); return
  fi
  if ! cmake --build --preset clang-tsa >build/clang-tsa.build.log 2>&1; then
    echo "clang thread-safety: FAILED"
    grep -E -A3 "error:|Error [0-9]" build/clang-tsa.build.log | head -n 40
    status=1; failed=$((failed + 1)); return
  fi
  echo "clang thread-safety: passed"; passed=$((passed + 1))
}
run_thread_safety

run_suite arm

# libFuzzer targets (clang): each runs a few seconds from its seed corpus,
# collecting what it finds in the build tree.
run_fuzzers() {
  echo "=== fuzz: configure and build"
  if ! { cmake -S fuzz -B build/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ &&
         cmake --build build/fuzz -j2; } >build/fuzz.build.log 2>&1; then
    grep -E -A3 "error|Error" build/fuzz.build.log | head -n 40
    status=1; failed=$((failed + 1)); return
  fi
  echo "=== fuzz: ${FUZZ_SECONDS:-10} s per target"
  local target name
  # Two targets at a time, one per core; each leaves its status beside its log.
  local target name names=()
  for target in build/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=${target#build/fuzz/fuzz_}
    names+=("$name")
    mkdir -p "build/fuzz/found/$name"
    while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n; done
    { "$target" -max_total_time="${FUZZ_SECONDS:-10}" "build/fuzz/found/$name" \
        "fuzz/corpus/$name" >"build/fuzz/$name.log" 2>&1; echo $? >"build/fuzz/$name.status"; } &
  done
  wait
  for name in "${names[@]}"; do
    if [ "$(cat "build/fuzz/$name.status" 2>/dev/null)" = 0 ]; then
      echo "fuzz $name: passed"; passed=$((passed + 1))
    else
      echo "fuzz $name: FAILED"; tail -n 30 "build/fuzz/$name.log"
      status=1; failed=$((failed + 1))
    fi
  done
}
run_fuzzers

end_suites
