#!/bin/bash
# Cross-builds the static libdeflate for a Windows tree from Debian's source
# package libdeflate, with that tree's MinGW-w64 compiler (only the static
# library):
#   build-libdeflate-mingw.sh i686      (the win32 tree; the default)
#   build-libdeflate-mingw.sh x86_64    (the win64 tree)
# The result is cached in build/deps/libdeflate-mingw-ARCH; a second run
# returns at once.
set -euo pipefail
. "$(dirname "$0")/mingw-source-package.sh"
mingw_source_package build-libdeflate-mingw.sh "${1:-i686}" libdeflate libdeflate libdeflate.a libdeflate.h

# Debian's 1.14 builds with its own Makefile; for a MinGW compiler it names
# the static library libdeflatestatic.lib (an ar archive like any other).
make -C src -j2 CC=$arch-w64-mingw32-gcc-posix AR=$arch-w64-mingw32-ar libdeflatestatic.lib >/dev/null
cp src/libdeflatestatic.lib "$prefix/lib/libdeflate.a"
cp src/libdeflate.h "$prefix/include/"
mingw_source_package_done libdeflate
