#!/bin/bash
# packer.exe (the vendors' packer, run under Wine) packs the demo product into
# the same bytes as the build machine's packer did for the installer.
#   same_bytes_windows.sh WINE_RUN PACKER_EXE PRODUCT_FOLDER MANIFEST_SOURCE PAYLOAD_FOLDER
set -euo pipefail
wine_run=$1 packer=$2 product=$3 manifest=$4 payloads=$5
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# Wine sees the host's root as drive Z:.
win() { printf 'Z:%s' "${1//\//\\}"; }
"$wine_run" "$packer" "$(win "$product")" "$(win "$manifest")" "$(win "$out")"
status=0
for f in C0 C1 C2 C3 C4 C5 CEND; do
  cmp "$out/$f" "$payloads/$f" || status=1
done
exit $status
