#!/usr/bin/env bash
# Installs the Debian packages a command needs, in tiers:
#
#   bash tools/setup.sh native   the native build: the demo, tvsim and its
#                                window, the gallery (tools/demo.sh)
#   bash tools/setup.sh quick    native, and Xvfb and xdotool for the window's
#                                test (tools/quick-test.sh)
#   bash tools/setup.sh all      everything: also the cross build for the set,
#                                its emulator, clang for the fuzz targets and
#                                the thread-safety build, callgrind for the
#                                benchmark figures (tools/test.sh; the default)
#
# Quick and quiet when everything is there; root (sudo) only to install what
# is missing.
set -euo pipefail

tier=${1:-all}
native=(
  cmake make g++ pkg-config python3
  libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev libpng-dev fonts-dejavu-core tzdata
  # the simulator's recorder encodes its picture (native only); ffprobe
  # checks that recordings and playlists play
  libavcodec-dev libavutil-dev libswscale-dev ffmpeg
  # the native build's tests and benchmarks, configured with it
  googletest libgtest-dev libgmock-dev libbenchmark-dev
)
# A virtual X server, its authority tool (xvfb-run) and the key sender
# that the window's test drives tvsim --window with.
window_test=(xvfb xauth xdotool)
set_build=(
  g++-arm-linux-gnueabi binutils-arm-linux-gnueabi qemu-user
  # clang 14 with g++'s libstdc++: the libFuzzer targets and the
  # thread-safety build (preset clang-tsa)
  clang libclang-rt-14-dev
  # callgrind: the benchmarks' instruction counts (tools/bench-figures.sh)
  valgrind
)
case $tier in
  native) packages=("${native[@]}") ;;
  quick) packages=("${native[@]}" "${window_test[@]}") ;;
  all) packages=("${native[@]}" "${window_test[@]}" "${set_build[@]}") ;;
  -h | --help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  *) echo "setup: unknown tier '$tier' (native, quick, all; setup.sh --help)" >&2; exit 2 ;;
esac

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    echo "setup: needs root to run: $*" >&2
    echo "setup: run it as root, or install sudo" >&2
    exit 1
  fi
}

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$package")
  fi
done

# The set's SDL headers and libraries come from Debian's armel packages, which
# apt can only download once it knows the architecture (nothing armel is
# installed: tools/arm-sysroot.sh unpacks them into the build tree).
need_update=0
if [ "$tier" = all ]; then
  if ! dpkg --print-foreign-architectures | grep -qx armel; then
    echo "setup: adding the armel architecture (for the set's SDL packages)"
    as_root dpkg --add-architecture armel
    need_update=1
  elif ! apt-cache show libsdl1.2debian:armel >/dev/null 2>&1; then
    need_update=1
  fi
fi

if [ "${#missing[@]}" -gt 0 ] || [ "$need_update" -eq 1 ]; then
  as_root apt-get update -q
fi
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
