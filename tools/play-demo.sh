#!/usr/bin/env bash
# Plays the demo's story (sim/scenarios/demo.txt) with the tvsim of a native
# build, and lists its storyboard:
#
#   bash tools/play-demo.sh BUILD RUN [TVSIM_OPTIONS...]
#
# BUILD is the build folder (build/debug), RUN the folder to play in, made
# anew: RUN/home (a copy of the build's home folder, where the toolbox
# saves), RUN/sandbox (the set's folders), RUN/frames (every flipped frame),
# RUN/demo.log (what the TV printed) and RUN/storyboard.txt (the list for
# the storyboard tool). The options go to tvsim after the demo's own (its
# start time and bitrate); --speed 30 watches it. Ends with tvsim's status.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd) run=$2
shift 2
rm -rf "$run" && mkdir -p "$run/frames"
cp -r "$build/home" "$run/home"
rm -f "$run/home/recolyx.cfg"
(cd "$run" && "$build/sim/tvsim" --home home --sandbox sandbox --start 2024-03-07T19:27 --bitrate 128 \
   --frames frames --scenario "$root/sim/scenarios/demo.txt" "$@") >"$run/demo.log" 2>&1 || {
  status=$?
  cat "$run/demo.log"
  echo "play-demo: tvsim failed ($status)"
  exit "$status"
}
bash "$root/tools/storyboard-list.sh" "$root/sim/scenarios/demo.txt" "$run" "$run/demo.log" \
  >"$run/storyboard.txt"
