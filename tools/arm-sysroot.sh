#!/usr/bin/env bash
# Unpacks the set's SDL headers and libraries from Debian's armel packages
# into a sysroot folder of the build tree (no multiarch install).
# Usage: tools/arm-sysroot.sh SYSROOT_DIR
set -euo pipefail

sysroot=${1:?usage: arm-sysroot.sh SYSROOT_DIR}
packages=(libsdl1.2debian libsdl1.2-dev libsdl-image1.2 libsdl-image1.2-dev
          libsdl-ttf2.0-0 libsdl-ttf2.0-dev)

stamp="$sysroot/.complete"
if [ -f "$stamp" ]; then exit 0; fi

debs="$sysroot.debs"
rm -rf "$sysroot" "$debs"
mkdir -p "$sysroot" "$debs"
(cd "$debs" && apt-get download -qq "${packages[@]/%/:armel}" 2>&1 | grep -v "unsandboxed" || true)
for deb in "$debs"/*.deb; do
  dpkg-deb -x "$deb" "$sysroot"
done
for lib in SDL SDL_image SDL_ttf; do
  if [ ! -e "$sysroot/usr/lib/arm-linux-gnueabi/lib$lib.so" ]; then
    echo "arm-sysroot: lib$lib.so missing after unpacking" >&2
    exit 1
  fi
done
touch "$stamp"
