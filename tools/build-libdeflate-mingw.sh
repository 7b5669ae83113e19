#!/bin/bash
# Cross-builds the static libdeflate for a Windows tree from Debian's source
# package libdeflate, with that tree's MinGW-w64 compiler (only the static
# library):
#   build-libdeflate-mingw.sh i686      (the win32 tree; the default)
#   build-libdeflate-mingw.sh x86_64    (the win64 tree)
# The result is cached in build/deps/libdeflate-mingw-ARCH; a second run
# returns at once.
set -euo pipefail

arch=${1:-i686}
case $arch in
  i686|x86_64) ;;
  *) echo "usage: build-libdeflate-mingw.sh [i686|x86_64]" >&2; exit 2 ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
deps=$root/build/deps
prefix=$deps/libdeflate-mingw-$arch
if [ -f "$prefix/lib/libdeflate.a" ] && [ -f "$prefix/include/libdeflate.h" ]; then
  exit 0
fi

work=$deps/libdeflate-src-$arch
rm -rf "$work" && mkdir -p "$work"
cd "$work"
apt-get source -q --download-only libdeflate >/dev/null 2>&1 || apt-get source -q --download-only libdeflate
dsc=$(ls libdeflate_*.dsc | head -n1)
dpkg-source -x --no-check "$dsc" src >/dev/null

# Debian's 1.14 builds with its own Makefile; for a MinGW compiler it names
# the static library libdeflatestatic.lib (an ar archive like any other).
make -C src -j2 CC=$arch-w64-mingw32-gcc-posix AR=$arch-w64-mingw32-ar libdeflatestatic.lib >/dev/null
mkdir -p "$prefix/lib" "$prefix/include"
cp src/libdeflatestatic.lib "$prefix/lib/libdeflate.a"
cp src/libdeflate.h "$prefix/include/"
rm -rf "$work"
echo "libdeflate for MinGW $arch: $prefix"
