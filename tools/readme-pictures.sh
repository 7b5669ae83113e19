#!/bin/bash
# Remakes the README's picture of the wizard (docs/selection-page.png) from
# the real program: runs tools/run-installer.sh inside Xvfb, which builds
# DIzavozi.exe, opens it under Wine and saves its window, and keeps that
# picture.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
shot=$(DIZAVOZI_FORCE_XVFB=1 bash "$root/tools/run-installer.sh" | tail -n 1)
mkdir -p "$root/docs"
cp "$shot" "$root/docs/selection-page.png"
echo "$root/docs/selection-page.png"
