#!/usr/bin/env bash
# The demo: installs what is missing, builds, and runs the TV simulator with
# the plug-in loaded into it and the host's key functions patched.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
mkdir -p build
cmake --preset debug >build/debug.configure.log
cmake --build --preset debug >build/debug.build.log 2>&1 || { tail -n 40 build/debug.build.log; exit 1; }

echo "=== tvsim: recolyx.so loaded, remote keys pressed"
build/debug/sim/tvsim --key 73:200 --key 15:3500:7 --key 1:100
