#!/bin/bash
# DIzavozi.exe /S onto a drive letter mapped to a 2 MB file system (tmpfs)
# under Wine: the installation needs more room than that, so the installer
# ends with exit code 6 and a log line saying how much it needs on that drive
# and how much is free, and writes nothing there.
#   disk_full_drive_test.sh DIzavozi.exe
# Mounting needs root; elsewhere the test is skipped (exit 77) and the
# shortage is covered by the native tests, which set a drive's free space.
set -u
installer=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX/dosdevices" ]; then
  echo "SKIP: no Wine prefix in WINEPREFIX (run under tools/wine-env.sh)"; exit 77
fi
if [ "$(id -u)" != 0 ]; then
  echo "SKIP: mounting a small file system needs root"; exit 77
fi
work=$(mktemp -d /tmp/dz-small-drive.XXXXXX)
mkdir "$work/drive"
if ! mount -t tmpfs -o size=2m tmpfs "$work/drive"; then
  rm -rf "$work"
  echo "SKIP: cannot mount a tmpfs here"; exit 77
fi
# A drive letter no one else uses in this prefix.
letter=""
for l in q r s t u v w x y; do
  if [ ! -e "$WINEPREFIX/dosdevices/$l:" ] && [ ! -L "$WINEPREFIX/dosdevices/$l:" ]; then letter=$l; break; fi
done
cleanup() {
  [ -n "$letter" ] && rm -f "$WINEPREFIX/dosdevices/$letter:"
  umount "$work/drive" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
if [ -z "$letter" ]; then echo "no free drive letter in $WINEPREFIX/dosdevices"; exit 1; fi
ln -s "$work/drive" "$WINEPREFIX/dosdevices/$letter:"
drive=$(tr a-z A-Z <<<"$letter")

# The log lies on the host's file system, reached through Z:.
log_windows="Z:$(sed 's|/|\\|g' <<<"$work/install.log")"
folder="$drive:\\安装"
"$root/tools/wine-run" "$installer" /S /EDITION=CySaaS "/DIR=$folder" /SYSTEMS=Sc,Pos,WmSvr,Kds "/LOG=$log_windows"
code=$?

status=0
if [ "$code" != 6 ]; then echo "exit code $code, expected 6"; status=1; fi
log=$(iconv -f GBK -t UTF-8 "$work/install.log" 2>/dev/null)
echo "$log"
if ! grep -qF "[警告] 磁盘空间不足: $drive:\\ 需要 " <<<"$log"; then echo "no shortage line for $drive:"; status=1; fi
if ! grep -qE "可用 [0-2]\.[0-9] MB" <<<"$log"; then echo "the free space of a 2 MB drive is not named"; status=1; fi
if ! grep -qF "退出代码 6" <<<"$log"; then echo "no exit code line"; status=1; fi
left=$(ls -A "$work/drive")
if [ -n "$left" ]; then echo "written on the small drive: $left"; status=1; fi
exit $status
