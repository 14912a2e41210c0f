#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run the
# simulator, natively and for the set. Idempotent: quick when all is present.
set -euo pipefail

packages=(
  cmake make g++ pkg-config python3
  libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev libpng-dev fonts-dejavu-core tzdata
  # the simulator's recorder encodes its picture (native only); ffprobe
  # checks that recordings and playlists play
  libavcodec-dev libavutil-dev libswscale-dev ffmpeg
  g++-arm-linux-gnueabi binutils-arm-linux-gnueabi qemu-user
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # clang 14 with g++'s libstdc++: the libFuzzer targets and the
  # thread-safety build (preset clang-tsa)
  clang libclang-rt-14-dev
)

sudo_if_needed() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
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
if ! dpkg --print-foreign-architectures | grep -qx armel; then
  sudo_if_needed dpkg --add-architecture armel
  need_update=1
fi
if ! apt-cache show libsdl1.2debian:armel >/dev/null 2>&1; then
  need_update=1
fi

if [ "${#missing[@]}" -gt 0 ] || [ "$need_update" -eq 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  sudo_if_needed apt-get update -q
fi
if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_if_needed apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
