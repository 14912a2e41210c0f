#!/usr/bin/env bash
# The README's picture, docs/storyboard.png: the demo's storyboard, small.
#
#   bash tools/docs-picture.sh           plays the demo as fast as it goes and
#                                        writes docs/storyboard.png
#   bash tools/docs-picture.sh --check   the same, but compares with
#                                        docs/storyboard.png: status 1 when the
#                                        demo's storyboard no longer matches it
#   --build DIR                          takes the native build in DIR as it is
#                                        (no setup, no build; the test's way)
#
# Run it again whenever the demo's story changes, and commit the picture.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; }
check=0
build=""
while [ $# -gt 0 ]; do
  case $1 in
    --check) check=1 ;;
    --build)
      [ $# -ge 2 ] || { echo "docs-picture: --build takes a folder (docs-picture.sh --help)" >&2; exit 2; }
      build=$2
      shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "docs-picture: unknown option '$1' (docs-picture.sh --help lists the options)" >&2; exit 2 ;;
  esac
  shift
done

if [ -z "$build" ]; then
  bash tools/setup.sh native
  mkdir -p build
  cmake --preset debug >build/debug.configure.log
  cmake --build --preset debug --target tvsim recolyx osd_ttf home_assets catalogue_files script_files \
    storyboard >build/debug.build.log 2>&1 || { tail -n 40 build/debug.build.log; exit 1; }
  build=build/debug
fi
run=$build/docs-picture
bash tools/play-demo.sh "$build" "$run"
mode=()
[ "$check" -eq 1 ] && mode=(--check)
if ! "$build/tools/storyboard/storyboard" --font "$run/home/fonts/shadow.ttf" --columns 3 --width 320 \
       "${mode[@]}" "$run/storyboard.txt" docs/storyboard.png; then
  [ "$check" -eq 1 ] && echo "docs-picture: docs/storyboard.png no longer shows the demo;" \
    "bash tools/docs-picture.sh makes it anew (then commit it)" >&2
  exit 1
fi
