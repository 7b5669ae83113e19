#!/bin/bash
# Cross-builds the static libjpeg for a Windows tree from Debian's source
# package libjpeg-turbo, with that tree's MinGW-w64 toolchain and SIMD off:
#   build-libjpeg-mingw.sh i686      (the win32 tree; the default)
#   build-libjpeg-mingw.sh x86_64    (the win64 tree)
# The result is cached in build/deps/libjpeg-mingw-ARCH; a second run returns
# at once.
set -euo pipefail
. "$(dirname "$0")/mingw-source-package.sh"
mingw_source_package build-libjpeg-mingw.sh "${1:-i686}" libjpeg-turbo libjpeg libjpeg.a jpeglib.h

cmake -S src -B build -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
  -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF \
  -DCMAKE_POSITION_INDEPENDENT_CODE=OFF >/dev/null
cmake --build build --target jpeg-static >/dev/null
cp build/libjpeg.a "$prefix/lib/libjpeg.a"
cp src/jpeglib.h src/jmorecfg.h src/jerror.h build/jconfig.h "$prefix/include/"
mingw_source_package_done libjpeg
