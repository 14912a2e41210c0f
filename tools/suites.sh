# Sourced by tools/test.sh and tools/quick-test.sh: runs suites (a preset's
# build and its tests), counts the tests passed and failed across them, and
# ends with the line `suites: N passed, N failed`.

passed=0
failed=0
status=0

# run_suite PRESET [ctest arguments...]: configures and builds the preset,
# then runs its tests; a failed configure or build counts as one failure.
run_suite() {
  local preset=$1; shift
  echo "=== $preset: configure and build"
  if ! cmake --preset "$preset" >"build/$preset.configure.log" 2>&1; then
    cat "build/$preset.configure.log"; status=1; failed=$((failed + 1)); return
  fi
  # SUITE_TARGETS, when set, names the targets to build instead of all.
  # shellcheck disable=SC2086
  if ! cmake --build --preset "$preset" ${SUITE_TARGETS:+--target $SUITE_TARGETS} \
       >"build/$preset.build.log" 2>&1; then
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

# end_suites: the closing line, and the exit status of the whole run.
end_suites() {
  echo "suites: $passed passed, $failed failed"
  exit $status
}
