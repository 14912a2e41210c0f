#!/usr/bin/env bash
# The demo: installs what is missing, builds, and runs the TV simulator with
# the plug-in loaded into it and the host's key functions patched, playing
# sim/scenarios/demo.txt at 300 times the TV's speed.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
mkdir -p build
cmake --preset debug >build/debug.configure.log
cmake --build --preset debug >build/debug.build.log 2>&1 || { tail -n 40 build/debug.build.log; exit 1; }

demo=build/demo
rm -rf "$demo" && mkdir -p "$demo"
(cd "$demo" && ../debug/sim/tvsim --sandbox sandbox --speed 300 \
   --scenario ../../sim/scenarios/demo.txt --contact-sheet contact_sheet.png)
echo
echo "Recording files:"
ls -l "$demo/sandbox/dtv/usb/sdb2"
echo "Pictures: $demo/demo.png (the screen while recording), $demo/pane.png (the information pane),"
echo "          $demo/contact_sheet.png (every skin image and font)"
