#!/bin/bash
# Links a user-level program could have placed before an administrator runs
# the installer or the uninstaller, under Wine (whose links are the Unix
# symbolic links of its drives):
#  1. at every name the programs once used in the user's temporary folder:
#     "cRc.in" and "DzUnInstall-<pid>.exe" lead to a file, "_wtsInstall" to
#     a folder holding a "C0.DLL" -- DIzavozi.exe /S and UnInstall.exe /S
#     exit 0 and leave what they lead to untouched;
#  2. inside an existing installation, its LumoSc folder replaced by a link
#     to a folder elsewhere holding a file of the same name -- DIzavozi.exe
#     /S refuses with exit code 8 and a log line naming the link, and
#     UnInstall.exe /S refuses the lines through it (exit code 4); the
#     folder it leads to stays as it was.
#   temporary_links_windows.sh DIzavozi.exe
set -euo pipefail
exe=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/test-waits.sh"
if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX/drive_c" ]; then
  echo "no Wine prefix in WINEPREFIX (run under tools/wine-env.sh)"; exit 1
fi
work=$(mktemp -d /tmp/dz-links.XXXXXX)
name="dz-links-$$"
install_folder=$WINEPREFIX/drive_c/$name
victims=$WINEPREFIX/drive_c/$name-victims
temp_folder=$(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 -name Temp -not -path '*/Public/*' | head -1)
[ -d "$temp_folder" ] || { echo "no user's temporary folder in the prefix"; exit 1; }
links=()
cleanup() {
  local link
  for link in "${links[@]}"; do rm -f "$link"; done
  # The uninstaller's former names, made in one go below.
  find "$temp_folder" -maxdepth 1 -name 'DzUnInstall-*.exe' -type l -lname "$victims/file.txt" -delete
  rm -rf "$work" "$install_folder" "$victims"
}
trap cleanup EXIT
fail() { echo "FAIL $*" >&2; exit 1; }
windows() { echo "Z:$(sed 's|/|\\|g' <<<"$1")"; }
link() {  # link LINK TARGET
  ln -s "$2" "$1"
  links+=("$1")
}

mkdir -p "$victims/folder" "$victims/programs"
echo "someone else's file" >"$victims/file.txt"
echo "not a payload" >"$victims/folder/C0.DLL"
echo "kept" >"$victims/folder/other.txt"
echo "someone else's program" >"$victims/programs/OvErp.exe"
snapshot() { (cd "$victims" && find . -type f -exec md5sum {} + | sort); }
before=$(snapshot)

install() {  # install LOG; the exit code
  local code=0
  "$root/tools/wine-run" "$exe" /S /EDITION=CySaaS "/DIR=C:\\$name" /SYSTEMS=Sc,Pos \
    "/LOG=$(windows "$work/$1")" >/dev/null 2>&1 || code=$?
  echo $code
}
uninstall() {  # the exit code; after 0, waits until the temporary copy has removed UnInstall.exe
  local code=0
  "$root/tools/wine-run" "$install_folder/UnInstall.exe" /S >/dev/null 2>&1 || code=$?
  [ "$code" = 0 ] || { echo $code; return; }
  wait_gone "$install_folder/UnInstall.exe" 30 || true
  echo $code
}

# 1. Links at the former temporary names. Wine's process ids are multiples
#    of 4; every one the uninstaller could have had is taken.
link "$temp_folder/cRc.in" "$victims/file.txt"
link "$temp_folder/_wtsInstall" "$victims/folder"
python3 - "$temp_folder" "$victims/file.txt" <<'PY'
import os, sys
for pid in range(4, 8193, 4):
    os.symlink(sys.argv[2], os.path.join(sys.argv[1], "DzUnInstall-%d.exe" % pid))
PY
code=$(install first.log)
[ "$code" = 0 ] || { iconv -f GBK -t UTF-8 "$work/first.log" || true; fail "DIzavozi.exe /S exit code $code"; }
[ -f "$install_folder/UnInstall.exe" ] || fail "nothing installed"
code=$(uninstall)
[ "$code" = 0 ] || fail "UnInstall.exe /S exit code $code"
[ ! -e "$install_folder/UnInstall.exe" ] || fail "the uninstaller's temporary copy did not remove it"
[ "$(snapshot)" = "$before" ] || fail "a link at a former temporary name led to a change: $(diff <(echo "$before") <(snapshot))"
for link in "${links[@]}" "$temp_folder/DzUnInstall-4.exe" "$temp_folder/DzUnInstall-8192.exe"; do
  [ -L "$link" ] || fail "the link $link was removed"
done
echo "links at the former temporary names: targets untouched"

# 2. A link inside an existing installation.
rm -rf "$install_folder"
code=$(install second.log)
[ "$code" = 0 ] || fail "DIzavozi.exe /S exit code $code for the installation to tamper with"
rm -rf "$install_folder/LumoSc"
ln -s "$victims/programs" "$install_folder/LumoSc"
code=$(install refused.log)
log=$(iconv -f GBK -t UTF-8 "$work/refused.log")
[ "$code" = 8 ] || { echo "$log"; fail "DIzavozi.exe /S exit code $code over the link, not 8"; }
grep -qF "安装文件夹中的链接指向安装文件夹以外: C:\\$name\\LumoSc" <<<"$log" || { echo "$log"; fail "the log does not name the link"; }
[ "$(snapshot)" = "$before" ] || fail "the installer wrote through the link"
code=$(uninstall)
[ "$code" = 4 ] || fail "UnInstall.exe /S exit code $code over the link, not 4 (lines refused)"
[ "$(snapshot)" = "$before" ] || fail "the uninstaller deleted through the link"
echo "a link inside the installation: refused by both programs, its target untouched"
