#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every suite:
# the native suite, the suite under AddressSanitizer + UndefinedBehaviorSanitizer,
# the threaded tests under ThreadSanitizer, the build for the set with its
# whole suite under qemu-arm (unit, loader and end-to-end tests, and the
# checks of the package for the set), and a short run of every libFuzzer target.
set -uo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh || exit 1
bash tools/arm-sysroot.sh build/arm-sysroot || exit 1

passed=0
failed=0
status=0

# run_suite PRESET [ctest arguments...]
run_suite() {
  local preset=$1; shift
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"build/$preset.configure.log" 2>&1; then
    cat "build/$preset.configure.log"; status=1; failed=$((failed + 1)); return
  fi
  if ! cmake --build --preset "$preset" >"build/$preset.build.log" 2>&1; then
    grep -E -A3 "error|Error" "build/$preset.build.log" | head -n 60
    status=1; failed=$((failed + 1)); return
  fi
  echo "=== $preset: tests"
  local log="build/$preset.ctest.log"
  ctest --preset "$preset" "$@" 2>&1 | tee "$log" | grep -v -E "^ +Start|Passed +[0-9.]+ sec$"
  local result=${PIPESTATUS[0]}
  [ "$result" -eq 0 ] || status=1
  local line
  line=$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$log" | tail -n 1)
  if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
    failed=$((failed + BASH_REMATCH[1]))
    passed=$((passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
  elif [ "$result" -ne 0 ]; then
    failed=$((failed + 1))
  fi
}

mkdir -p build
run_suite debug
run_suite asan
run_suite tsan -R "${TSAN_TESTS:-Watcher|Detour|Recorder|Thread|Concurrent}"
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
  for target in build/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=${target#build/fuzz/fuzz_}
    mkdir -p "build/fuzz/found/$name"
    if "$target" -max_total_time="${FUZZ_SECONDS:-10}" "build/fuzz/found/$name" \
         "fuzz/corpus/$name" >"build/fuzz/$name.log" 2>&1; then
      echo "fuzz $name: passed"; passed=$((passed + 1))
    else
      echo "fuzz $name: FAILED"; tail -n 30 "build/fuzz/$name.log"
      status=1; failed=$((failed + 1))
    fi
  done
}
run_fuzzers

echo "suites: $passed passed, $failed failed"
exit $status
