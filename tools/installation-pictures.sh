#!/bin/bash
# Remakes the README's pictures of a whole installation: runs the scenario
# catering_by_mouse (the catering edition, all four systems, driven as a user
# under Wine) and keeps what was on screen at four moments, as PNG files in docs/:
#   install-selection.png        the selection page, filled in
#   install-progress-page.png    the progress page while files are copied
#   install-progress-window.png  the progress window during registration
#   install-finish-page.png      the finish page
# Needs the win32 tree (cmake --preset win32), or the win64 tree where the
# machine cannot run 32-bit programs; builds what it runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

preset=win32
if [ "${DIZAVOZI_FORCE_WIN64:-}" = 1 ] || ! bash tools/machine-runs-32bit.sh; then preset=win64; fi
build=${DIZAVOZI_BUILD_DIR:-build/$preset}
cmake --build "$build" --target install_driver DIzavozi
shots=$(mktemp -d /tmp/dizavozi-pictures.XXXXXX)
trap 'rm -rf "$shots"' EXIT

bash tests/install/run-scenario.sh "$build/bin/install_driver.exe" catering_by_mouse "$build/DIzavozi.exe" "$shots"

mkdir -p docs
for pair in selection-page:install-selection progress-page:install-progress-page \
            progress-window:install-progress-window finish-page:install-finish-page; do
  # -strip: no time stamps, so an unchanged picture gives the same file.
  convert "$shots/${pair%%:*}.bmp" -strip "docs/${pair#*:}.png"
done
ls -l docs/install-*.png
