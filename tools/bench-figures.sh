#!/usr/bin/env bash
# The benchmarks' figures, each as its ratio to the bound measured in the
# same run (min / median / max of three runs) and the operation's
# instructions counted by callgrind (the benchmarks switch callgrind's
# collection on around the operation alone, so nothing else is counted; the
# first, untimed operation is not counted either). Uses the release build.
#
#   bash tools/bench-figures.sh                     the figures of the README
#   bash tools/bench-figures.sh BENCH:NAME ...      others, e.g. display_bench:ClearOsdVsMemset
set -euo pipefail
cd "$(dirname "$0")/.."

bench=build/release/bench
default=(
  screens_bench:DrawInfoPaneVsBlits
  screens_bench:DrawInfoPaneEachSecondVsBlits
  screens_bench:DrawInfoPaneEachSecondVsCopy
  screens_bench:DrawInfoPaneVsLoads
  screens_bench:DrawToolboxVsLoads
  recording_bench:TickVsItsSystemCalls
  key_bench:Key7Recording
  display_bench:DrawSkinPanelVsImgLoad
  display_bench:ClearOsdVsMemset
  display_bench:DrawMessageImageVsImgLoad
  startup_bench:StartupVsStub
  startup_bench:StartupVsBareStub
  startup_bench:LoadOnlyVsStub
)
if [ $# -gt 0 ]; then specs=("$@"); else specs=("${default[@]}"); fi

if [ ! -d "$bench" ]; then
  echo "bench-figures: no $bench: cmake --preset release && cmake --build --preset release" >&2
  exit 1
fi
command -v valgrind >/dev/null || { echo "bench-figures: valgrind is missing (tools/setup.sh)" >&2; exit 1; }

printf '%-34s %-26s %s\n' "benchmark" "ratio min / median / max" "instructions per operation"
for spec in "${specs[@]}"; do
  binary=${spec%%:*}
  name=${spec#*:}
  ratios=()
  for run in 1 2 3; do
    ratio=$("$bench/$binary" --benchmark_filter="^$name(/|\$)" 2>/dev/null | grep -o 'ratio=[0-9.e+-]*' | cut -d= -f2 || true)
    ratios+=("${ratio:-?}")
  done
  sorted=($(printf '%s\n' "${ratios[@]}" | sort -g))
  counted=$(valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file=/dev/null \
              "$bench/$binary" --benchmark_filter="^$name(/|\$)" --benchmark_min_time=0.05 2>&1 >/dev/null || true)
  collected=$(grep -o 'Collected : [0-9]*' <<<"$counted" | grep -o '[0-9]*$' || true)
  operations=$(grep -o 'callgrind: [0-9]* operations' <<<"$counted" | grep -o '[0-9]*' || true)
  if [ -n "$collected" ] && [ -n "$operations" ] && [ "$operations" -gt 0 ]; then
    per=$((collected / operations))
  else
    per="?"
  fi
  printf '%-34s %-26s %s\n' "$name" "$(printf '%.3g / %.3g / %.3g' "${sorted[0]}" "${sorted[1]}" "${sorted[2]}" 2>/dev/null || echo "${sorted[*]}")" "$per"
done
