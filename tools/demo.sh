#!/usr/bin/env bash
# The demo: installs what is missing, builds, and runs the TV simulator with
# the plug-in loaded into it and the host's key functions patched.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
mkdir -p build
cmake --preset debug >build/debug.configure.log
cmake --build --preset debug >build/debug.build.log 2>&1 || { tail -n 40 build/debug.build.log; exit 1; }

demo=build/demo
rm -rf "$demo" && mkdir -p "$demo"
echo "=== tvsim: recolyx.so loaded into the simulated TV, its key functions patched;"
echo "=== remote keys pass through the plug-in while the host's recorder writes a stream"
build/debug/sim/tvsim --record "$demo/recording.ts" --key 73:300 --key 15:1500:7 --key 1:200 --wait 500
echo "=== files the host's recorder wrote"
ls -l "$demo"
