#!/bin/bash
# The real DIzavozi.exe with one bit of one payload flipped, as a damaged
# download would have it: with /S it refuses before anything is installed,
# exit code 3, the reason in its log, no installation folder and no scratch
# folder left.
#   damaged_installer_windows.sh DIzavozi.exe PAYLOAD_FOLDER
set -euo pipefail
exe=$1 payloads=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX/drive_c" ]; then
  echo "no Wine prefix in WINEPREFIX (run under tools/wine-env.sh)"; exit 1
fi
work=$(mktemp -d /tmp/dz-damaged.XXXXXX)
folder_name="损坏的安装$$"
trap 'rm -rf "$work" "$WINEPREFIX/drive_c/$folder_name"' EXIT
fail() { echo "FAIL $*" >&2; exit 1; }

# The payload C3 lies in the program as the packer wrote it: one bit in its
# middle flipped.
python3 - "$exe" "$payloads/C3" "$work/setup.exe" <<'PY'
import sys
program = bytearray(open(sys.argv[1], "rb").read())
payload = open(sys.argv[2], "rb").read()
at = program.find(payload)
if at < 0 or program.find(payload, at + 1) >= 0:
    sys.exit("payload C3 not found once in the program")
program[at + len(payload) // 2] ^= 0x10
open(sys.argv[3], "wb").write(program)
PY

windows() { echo "Z:$(sed 's|/|\\|g' <<<"$1")"; }
code=0
"$root/tools/wine-run" "$work/setup.exe" /S /EDITION=CySaaS \
  "/DIR=C:\\$folder_name" /SYSTEMS=Sc,Pos "/LOG=$(windows "$work/install.log")" || code=$?
log=$(iconv -f GBK -t UTF-8 "$work/install.log" 2>/dev/null || true)
[ "$code" = 3 ] || { echo "$log"; fail "exit code $code, not 3"; }
grep -q "安装文件已损坏,无法解压。" <<<"$log" || { echo "$log"; fail "the log gives no reason"; }
[ ! -e "$WINEPREFIX/drive_c/$folder_name" ] || fail "the installation folder was made"
left=$(find "$WINEPREFIX/drive_c/users" -maxdepth 6 \( -name _wtsInstall -o -name "DzInstall-*" \) 2>/dev/null)
[ -z "$left" ] || fail "the scratch folder stays: $left"
echo "the damaged installer refused before writing: exit code 3"
