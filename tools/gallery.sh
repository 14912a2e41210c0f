#!/usr/bin/env bash
# The screen gallery: installs what is missing, builds the gallery program
# and what it draws with (catalogue files, skin, fonts, text library), and
# writes build/gallery/gallery_XX.png, every screen of the plug-in in each
# language. Arguments go to the program: --languages FR,DE for some only.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh native
mkdir -p build
cmake --preset debug >build/debug.configure.log
cmake --build --preset debug --target gallery >build/gallery.build.log 2>&1 ||
  { tail -n 40 build/gallery.build.log; exit 1; }

build/debug/sim/gallery --home build/debug/home --out build/gallery "$@"
