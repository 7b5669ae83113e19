#!/bin/bash
# Cross-builds the static libjpeg for a Windows tree from Debian's source
# package libjpeg-turbo, with that tree's MinGW-w64 toolchain and SIMD off:
#   build-libjpeg-mingw.sh i686      (the win32 tree; the default)
#   build-libjpeg-mingw.sh x86_64    (the win64 tree)
# The result is cached in build/deps/libjpeg-mingw-ARCH; a second run returns
# at once.
set -euo pipefail

arch=${1:-i686}
case $arch in
  i686|x86_64) ;;
  *) echo "usage: build-libjpeg-mingw.sh [i686|x86_64]" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
deps=$root/build/deps
prefix=$deps/libjpeg-mingw-$arch
if [ -f "$prefix/lib/libjpeg.a" ] && [ -f "$prefix/include/jpeglib.h" ]; then
  exit 0
fi

work=$deps/libjpeg-src-$arch
rm -rf "$work" && mkdir -p "$work"
cd "$work"
apt-get source -q --download-only libjpeg-turbo >/dev/null 2>&1 || apt-get source -q --download-only libjpeg-turbo
dsc=$(ls libjpeg-turbo_*.dsc | head -n1)
dpkg-source -x --no-check "$dsc" src >/dev/null

cmake -S src -B build -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
  -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF \
  -DCMAKE_POSITION_INDEPENDENT_CODE=OFF >/dev/null
cmake --build build --target jpeg-static >/dev/null
mkdir -p "$prefix/lib" "$prefix/include"
cp build/libjpeg.a "$prefix/lib/libjpeg.a"
cp src/jpeglib.h src/jmorecfg.h src/jerror.h build/jconfig.h "$prefix/include/"
rm -rf "$work"
echo "libjpeg for MinGW $arch: $prefix"
