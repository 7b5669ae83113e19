#!/bin/bash
# Writes the PNG reader's test pictures made by ImageMagick (Debian's convert),
# so that the reader is checked against an encoder other than our own.
#   tools/skin-assets/make-png-fixtures.sh skin/tests/data
set -euo pipefail
out=${1:?output folder}
im=/usr/bin/convert
# 8-bit RGBA with a gradient and partial transparency: must decode.
"$im" -size 13x7 gradient:'rgba(255,0,0,1)-rgba(0,0,255,0.25)' -define png:color-type=6 -depth 8 \
  +set date:create +set date:modify -strip "PNG32:$out/magick-rgba.png"
# Its pixels as raw RGBA, the expected result.
"$im" "$out/magick-rgba.png" -depth 8 "RGBA:$out/magick-rgba.rgba"
# Kinds the reader refuses: greyscale, RGB without alpha, 16 bits, interlaced.
"$im" -size 5x4 gradient:white-black -strip "PNG8:$out/magick-palette.png"
"$im" -size 5x4 gradient:red-blue -strip "PNG24:$out/magick-rgb.png"
"$im" -size 5x4 gradient:'rgba(255,0,0,1)-rgba(0,0,255,0.5)' -strip "PNG64:$out/magick-rgba16.png"
"$im" -size 9x9 gradient:'rgba(255,0,0,1)-rgba(0,0,255,0.5)' -interlace PNG -strip "PNG32:$out/magick-interlaced.png"
