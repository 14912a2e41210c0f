#!/usr/bin/env bash
# The demo: installs what is missing (the native build's packages only),
# builds what it needs, and plays
# sim/scenarios/demo.txt in the TV simulator with the shipped plug-in loaded
# into it, the TV's clock 30 times faster. It leaves in build/demo:
#   sandbox/dtv/usb/sda1/  the recordings, named after their programmes, and
#                          the playlist that plays a split recording as one
#   storyboard.png         a captioned picture of each step of the story
#   home/recolyx.cfg       the settings the toolbox saved
#   demo.log               everything the TV printed
# and ends with a short summary.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

bash tools/setup.sh native
mkdir -p build
cmake --preset debug >build/debug.configure.log
cmake --build --preset debug -j2 --target tvsim recolyx osd_ttf home_assets catalogue_files \
  script_files storyboard >build/debug.build.log 2>&1 || { tail -n 40 build/debug.build.log; exit 1; }
built=$SECONDS

demo=build/demo
scenario=sim/scenarios/demo.txt
speed=30
bash tools/play-demo.sh build/debug "$demo" --speed "$speed" || { echo "demo: tvsim failed"; exit 1; }
played=$SECONDS
# The commands the plug-in gave the set's shell are in demo.log only.
grep -v '\] shell: ' "$demo/demo.log"

list=$demo/storyboard.txt
board_status=0
build/debug/tools/storyboard/storyboard --font "$demo/home/fonts/shadow.ttf" \
  "$list" "$demo/storyboard.png" >/dev/null || board_status=$?

echo
echo "Summary"
echo "  the story, as the storyboard shows it:"
cut -f2 "$list" | awk '{ printf "    %d. %s\n", NR, $0 }'
echo "  the recorder (files as it wrote them; at the stop the plug-in names each after its programme and part):"
grep -E '\] recording (started|stopped): ' "$demo/demo.log" | sed -E 's/^\[[^]]*\] /    /'
echo "  recordings ($demo/sandbox/dtv/usb/sda1):"
find "$demo/sandbox/dtv/usb/sda1" -maxdepth 1 -type f -printf '%f %s\n' | sort |
  awk '{ printf "    %-44s %6.1f MiB (%d bytes)\n", $1, $2 / 1048576, $2 }'
# A recording of several files has a playlist beside them: its lines, and
# what ffprobe found playing it (the scenario's plays check).
for playlist in "$demo"/sandbox/dtv/usb/sda1/*.m3u; do
  [ -f "$playlist" ] || continue
  echo "  playlist $(basename "$playlist"), the recording's files in order:"
  sed 's/^/    /' "$playlist"
done
grep -E '\] plays ' "$demo/demo.log" | sed 's/^\[ *[0-9.]* [0-9:.]*\] /    ffprobe: /'
cfg=$demo/home/recolyx.cfg
if [ -f "$cfg" ]; then
  # Destination 1 is the record's table entry at byte 260: its index (int32),
  # then its name (20 bytes) and, at byte 334, its product (20 bytes).
  index=$(od -An -t d4 -j 260 -N 4 "$cfg" | tr -d ' ')
  product=$(dd if="$cfg" bs=1 skip=334 count=20 status=none | tr -d '\0')
  echo "  setting changed in the toolbox and saved: destination 1 = entry $index ($product)"
  echo "    in $cfg ($(stat -c %s "$cfg") bytes)"
else
  echo "  no settings saved: $cfg is missing"
fi
echo "  storyboard: $demo/storyboard.png ($(grep -c . "$list") steps; list $list)"
echo "  log: $demo/demo.log"
echo "  time: $((played - built)) s to play the story at $speed times the TV's speed," \
     "$((SECONDS - started)) s in all with setup and build"
if [ "$board_status" -ne 0 ]; then
  echo "demo: the storyboard is incomplete (see the storyboard lines above)"
  exit 1
fi
