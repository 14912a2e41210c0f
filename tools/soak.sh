#!/usr/bin/env bash
# Plays the scenario suite again and again with a CPU hog beside it, to show
# that what a scenario sees does not move with the machine's load:
#   bash tools/soak.sh PRESET RUNS [HOGS]
# PRESET is a configured and built preset (debug, asan, arm, ...), RUNS how
# many times the suite plays, HOGS how many busy loops run beside it (the
# number of cores by default). Ends with "soak: N passed, N failed" (runs).
set -uo pipefail
cd "$(dirname "$0")/.."
preset=${1:?usage: tools/soak.sh PRESET RUNS [HOGS]}
runs=${2:?usage: tools/soak.sh PRESET RUNS [HOGS]}
hogs=${3:-$(nproc)}

hog_pids=()
for ((i = 0; i < hogs; i++)); do
  (while :; do :; done) &
  hog_pids+=($!)
done
trap 'kill "${hog_pids[@]}" 2>/dev/null' EXIT

passed=0
failed=0
for ((run = 1; run <= runs; run++)); do
  started=$SECONDS
  log=build/$preset.soak.$run.log
  if ctest --preset "$preset" -R '^e2e_' -j2 >"$log" 2>&1; then
    passed=$((passed + 1))
    result=passed
  else
    failed=$((failed + 1))
    result="FAILED: $(grep -E '^\s+[0-9]+ - ' "$log" | tr -s ' ' | tr '\n' ';')"
  fi
  echo "soak $preset run $run: $(grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log") in $((SECONDS - started)) s, $result"
done
echo "soak: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
