#!/bin/bash
# packer.exe (the vendors' packer, run under Wine) packs the demo product into
# the same bytes as the build machine's packer did for the build: the
# payload folder, and the installer written from the stub. It refuses to
# sign, with a message and no output.
#   same_bytes_windows.sh WINE_RUN PACKER_EXE PRODUCT_FOLDER MANIFEST_SOURCE PAYLOAD_FOLDER STUB INSTALLER
set -euo pipefail
wine_run=$1 packer=$2 product=$3 manifest=$4 payloads=$5 stub=$6 installer=$7
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# Wine sees the host's root as drive Z:.
win() { printf 'Z:%s' "${1//\//\\}"; }
"$wine_run" "$packer" "$(win "$product")" "$(win "$manifest")" "$(win "$out")"
status=0
for f in C0 C1 C2 C3 C4 C5 CEND CCRC; do
  cmp "$out/$f" "$payloads/$f" || status=1
done
"$wine_run" "$packer" "$(win "$product")" "$(win "$manifest")" --stub "$(win "$stub")" --out "$(win "$out/setup.exe")"
cmp "$out/setup.exe" "$installer" || status=1
echo secret > "$out/pass.txt"
echo not-a-certificate > "$out/cert.p12"
if "$wine_run" "$packer" "$(win "$product")" "$(win "$manifest")" --stub "$(win "$stub")" \
    --out "$(win "$out/signed.exe")" --sign-pkcs12 "$(win "$out/cert.p12")" \
    --sign-password-file "$(win "$out/pass.txt")" 2>"$out/err.txt"; then
  echo "packer.exe signed" >&2
  status=1
fi
grep -q "packer.exe does not sign" "$out/err.txt" || { cat "$out/err.txt" >&2; status=1; }
[ ! -e "$out/signed.exe" ] || { echo "packer.exe left an output" >&2; status=1; }
exit $status
