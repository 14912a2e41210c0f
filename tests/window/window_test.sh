#!/usr/bin/env bash
# tvsim --window as a newcomer meets it, on a virtual X server, its keys sent
# by xdotool: the stick is plugged at start, r records to it, + sets a stop
# timer, the recording stops ten minutes of TV time later with its notice,
# icon and summary; F6 unplugs the stick and r then shows why nothing
# records; F2 opens the settings screen and Esc closes it; q ends tvsim. The
# log names each screen that appeared. What is judged reads the TV's clock
# in the log (the stop ten TV minutes after the key, the file's size for the
# TV seconds recorded), never how long the PC took: the run goes at up to
# 100 times real time, and real time only bounds the wait for each line.
#
#   window_test.sh TVSIM HOME WORK
#
# Status 77 (skipped) when Xvfb is not installed.
set -uo pipefail
tvsim=$1 home=$2 work=$3

if ! command -v Xvfb >/dev/null; then
  echo "skipped: Xvfb is not installed (bash tools/setup.sh quick installs it and xdotool)"
  exit 77
fi
command -v xdotool >/dev/null || { echo "FAIL: xdotool is not installed (bash tools/setup.sh quick)"; exit 1; }

rm -rf "$work" && mkdir -p "$work/home"
# A home folder of the test's own: the build's files without saved settings.
for entry in "$home"/*; do
  [ "$(basename "$entry")" = recolyx.cfg ] || ln -s "$entry" "$work/home/"
done
out=$work/output.txt
bitrate=16  # KiB per second of TV time
chunk=16356 # the recorder's write chunk (87 packets): about one a second

xvfb=""
tv=""
finish() {
  [ -n "$tv" ] && kill "$tv" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
}
trap finish EXIT
fail() {
  echo "FAIL: $*"
  echo "--- tvsim's output ($out):"
  cat "$out" 2>/dev/null
  exit 1
}

# A free display, chosen by the server itself, that answers a client.
start_xvfb() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb=$!
  for _ in $(seq 300); do
    if [ -s "$work/display" ] && [ "$(tail -c 1 "$work/display" | od -An -c | tr -d ' ')" = '\n' ]; then
      export DISPLAY=:$(head -n 1 "$work/display")
      for _ in $(seq 100); do
        xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
        kill -0 "$xvfb" 2>/dev/null || return 1
        sleep 0.1
      done
      return 1
    fi
    kill -0 "$xvfb" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
if ! start_xvfb; then
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  start_xvfb || fail "Xvfb did not start or answer (display '$(cat "$work/display")'): $(cat "$work/xvfb.log")"
fi

(cd "$work" && exec "$tvsim" --window --speed 100 --home home --sandbox sandbox --bitrate "$bitrate" \
   --start 2024-03-07T19:01 --setting stop_summary=1 --setting recorder_value="$chunk") >"$out" 2>&1 &
tv=$!

# Waits until tvsim has printed a line matching REGEX (extended) after the
# line the previous wait found; that line goes to $found. Real time only
# bounds the wait.
seen=0
found=""
wait_for() {
  local regex=$1 at
  for _ in $(seq 1200); do
    at=$(tail -n +"$((seen + 1))" "$out" | grep -n -E -m 1 -- "$regex" | cut -d: -f1)
    if [ -n "$at" ]; then
      seen=$((seen + at))
      found=$(sed -n "${seen}p" "$out")
      return 0
    fi
    kill -0 "$tv" 2>/dev/null || fail "tvsim ended before a line matching '$regex'"
    sleep 0.1
  done
  fail "no line matching '$regex' within 120 s"
}
# The TV clock of a printed line, in seconds of the day.
tv_seconds() {
  local clock
  clock=$(sed -E 's/^\[ *[0-9.]+ ([0-9-]+ )?([0-9:.]+)\].*/\2/' <<<"$1")
  awk -F: '{ printf "%.3f", $1 * 3600 + $2 * 60 + $3 }' <<<"$clock"
}
press() {
  xdotool key --clearmodifiers "$1" || fail "xdotool could not send $1"
}

wait_for 'window open'
wait_for 'plugged USB1 \(Stick\)'
window=$(xdotool search --sync --name '^tvsim' | head -n 1)
[ -n "$window" ] || fail "no window named tvsim on $DISPLAY"
xdotool windowfocus --sync "$window" || fail "cannot focus the window"

press r
wait_for 'recording started: /dtv/usb/sda1/'
started=$(tv_seconds "$found")
wait_for 'screen: record icon'
press KP_Add
# The line shows at once, for a second, before the key's own line.
wait_for 'screen: notice: \+10min \([0-9]{2}:[0-9]{2}\)'
timer_key=$(tv_seconds "$found")
wait_for 'key 72 -> 255 consumed'
wait_for 'screen: notice: Stop time reached - recording ended'
timer_end=$(tv_seconds "$found")
wait_for 'recording stopped: /dtv/usb/sda1/[^ ]+\.ts \(([0-9]+) bytes\)'
stopped=$(tv_seconds "$found")
bytes=$(sed -E 's/.*\(([0-9]+) bytes\).*/\1/' <<<"$found")
wait_for 'screen: stop icon'
wait_for 'screen: summary: Recording finished \| Duration: 0:[0-9]{2}:[0-9]{2} \| Size: [0-9]+ MB \| Files: 1'
wait_for 'screen: summary closed'

# The stop timer's ten minutes are the TV's: the notice comes at the first
# tick at or after them.
awk -v key="$timer_key" -v end="$timer_end" 'BEGIN { d = end - key; exit !(d >= 600 && d < 601.5) }' ||
  fail "the stop came $timer_key -> $timer_end, not ten TV minutes after the key"
# The recorder wrote the bitrate for the TV seconds it recorded (within two
# chunks either side).
awk -v b="$bytes" -v s="$started" -v e="$stopped" -v r="$bitrate" -v c="$chunk" \
  'BEGIN { want = (e - s) * r * 1024; exit !(b >= want - 2 * c && b <= want + 2 * c) }' ||
  fail "$bytes bytes for $started -> $stopped at $bitrate KiB/s"
file=$(find "$work/sandbox/dtv/usb/sda1" -maxdepth 1 -name 'R2024-03-07_20-0*_Das_Boot_001.ts' | head -n 1)
[ -n "$file" ] || fail "no recording named after the programme on the stick: $(ls "$work/sandbox/dtv/usb/sda1")"
size=$(stat -c %s "$file")
[ "$size" -eq "$bytes" ] && [ $((size % 188)) -eq 0 ] ||
  fail "$file holds $size bytes ($bytes reported; whole 188-byte packets expected)"

# Without the stick, RECORD says why it records nothing.
press F6
wait_for 'unplugged USB1'
press r
wait_for 'screen: message box: .+'
wait_for 'screen: message box closed'
press F5
wait_for 'plugged USB1 \(Stick\)'

# The settings screen, and Esc closes it.
press F2
wait_for 'screen: settings screen: Recolyx settings \| Destination 1 Auto'
press Escape
wait_for 'screen: settings screen closed'

press q
wait "$tv"
status=$?
tv=""
[ "$status" -eq 0 ] || fail "tvsim ended with status $status"
grep -q 'tvsim: done$' "$out" || fail "tvsim did not get to its end"
echo "the window recorded $bytes bytes to the stick; the screens it showed:"
grep -E '\] screen: ' "$out" | sed -E 's/^\[ *[0-9.]+ ([0-9-]+ )?/[/'
