#!/bin/bash
# Remakes the wizard's page pictures in resources/pictures/: renders the
# Chinese texts with ImageMagick in the WenQuanYi Zen Hei face into coverage
# masks, then lets make_page_pictures (built in the native tree) draw and
# encode the pictures.
#   bash tools/page-pictures/make-page-pictures.sh [NATIVE-BUILD-DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/native}
cmake --build "$build" --target make_page_pictures >/dev/null
font=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Two lines of promotional text on the progress banner, upper left.
convert -size 750x350 xc:black -font "$font" -fill white -antialias \
  -pointsize 34 -annotate +40+78 'Orvane云专家  智慧门店云平台' \
  -pointsize 22 -annotate +42+120 '收银、后台、厨房一体化管理，数据实时云端同步' \
  -depth 8 "pgm:$work/promo.pgm"
# The completion caption under the check mark of the finish picture, above
# the close button (which sits 280 pixels down).
convert -size 750x450 xc:black -font "$font" -fill white -antialias \
  -pointsize 28 -gravity North -annotate +0+226 '恭喜您，系统安装完成！' \
  -depth 8 "pgm:$work/caption.pgm"

mkdir -p "$root/resources/pictures"
"$build/bin/make_page_pictures" "$root/resources/pictures" "$work/promo.pgm" "$work/caption.pgm"
