#!/usr/bin/env bash
# Unpacks the set's SDL headers and libraries from Debian's armel packages
# into a sysroot folder of the build tree (no multiarch install): what the
# build for the set links against, and what the simulator and the test
# binaries built for the set load under qemu-arm (SDL's own dependencies
# included). The C and C++ libraries come from the cross toolchain.
# Usage: tools/arm-sysroot.sh SYSROOT_DIR
set -euo pipefail

sysroot=${1:?usage: arm-sysroot.sh SYSROOT_DIR}
# Headers and link-time libraries.
packages=(libsdl1.2debian libsdl1.2-dev libsdl-image1.2 libsdl-image1.2-dev
          libsdl-ttf2.0-0 libsdl-ttf2.0-dev libpng-dev libpng16-16 zlib1g-dev zlib1g)
# What those libraries load in turn, for running under qemu-arm.
packages+=(libasound2 libpulse0 libx11-6 libxext6 libcaca0 libjpeg62-turbo libtiff6
           libwebp7 libfreetype6 libasyncns0 libdbus-1-3 libsndfile1 libsystemd0
           libx11-xcb1 libxcb1 libxau6 libxdmcp6 libbsd0 libmd0 libncursesw6 libtinfo6
           libslang2 liblzma5 libzstd1 libdeflate0 libjbig0 liblerc4 libbrotli1 libcap2
           libgcrypt20 libgpg-error0 liblz4-1 libflac12 libogg0 libvorbis0a libvorbisenc2
           libopus0 libmpg123-0 libmp3lame0)

# From the C library's package only its character-set converters (iconv), which
# the cross toolchain's C library lacks: the C library itself stays the
# toolchain's.
converters=libc6

# The stamp holds the package list: a changed list unpacks afresh.
stamp="$sysroot/.complete"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "${packages[*]} $converters" ]; then exit 0; fi

debs="$sysroot.debs"
rm -rf "$sysroot" "$debs"
mkdir -p "$sysroot" "$debs"
(cd "$debs" && apt-get download -qq "${packages[@]/%/:armel}" 2>&1 | grep -v "unsandboxed" || true)
for deb in "$debs"/*.deb; do
  dpkg-deb -x "$deb" "$sysroot"
done
mkdir -p "$debs/$converters"
(cd "$debs/$converters" && apt-get download -qq "$converters:armel" 2>&1 | grep -v "unsandboxed" || true)
dpkg-deb -x "$debs/$converters"/*.deb "$debs/$converters/root"
mv "$debs/$converters/root/usr/lib/arm-linux-gnueabi/gconv" "$sysroot/usr/lib/arm-linux-gnueabi/gconv"
# Links to absolute paths (libz.so -> /lib/...) point into the sysroot instead.
sysroot_path=$(cd "$sysroot" && pwd)
find "$sysroot" -type l -lname '/*' | while read -r link; do
  ln -sfn "$sysroot_path$(readlink "$link")" "$link"
done
for lib in SDL SDL_image SDL_ttf png z; do
  if [ ! -e "$sysroot/usr/lib/arm-linux-gnueabi/lib$lib.so" ]; then
    echo "arm-sysroot: lib$lib.so missing after unpacking" >&2
    exit 1
  fi
done
if [ ! -e "$sysroot/usr/lib/arm-linux-gnueabi/gconv/gconv-modules" ]; then
  echo "arm-sysroot: gconv-modules missing after unpacking" >&2
  exit 1
fi
echo "${packages[*]} $converters" >"$stamp"
