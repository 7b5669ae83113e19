#!/bin/bash
# DLLs planted beside the programs that run as administrator never run. Wine
# is set to the system's search order (native DLLs first, the program's own
# folder searched before the system folder), and a DLL of every name the
# programs load is put beside DIzavozi.exe (a download folder), beside the
# installed UnInstall.exe and in the user's temporary folder; each writes a
# marker file from DllMain. DIzavozi.exe /S, DIzavozi.exe's wizard and
# UnInstall.exe /S must then do their work (exit 0) with no marker written.
#
# The names are those Wine reports loaded while the programs run, less the
# ones a control program that imports nothing but the same system DLLs loads
# too: Wine's own system libraries load those (as imports of the system DLLs,
# before any code of the program runs), which on Windows come from the
# system folder as dependencies of known DLLs.
#   dll_planting_windows.sh DIzavozi.exe CXX
set -euo pipefail
exe=$1 cxx=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/tools/test-waits.sh"
if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX/drive_c" ]; then
  echo "no Wine prefix in WINEPREFIX (run under tools/wine-env.sh)"; exit 1
fi
work=$(mktemp -d /tmp/dz-planting.XXXXXX)
folder_name="dz-planting-$$"
install_folder=$WINEPREFIX/drive_c/$folder_name
markers=$WINEPREFIX/drive_c/dz-planted-markers
planted_in_temp=()
cleanup() {
  local pid
  for pid in ${wizard:-}; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work" "$install_folder" "$markers"
  for file in "${planted_in_temp[@]}"; do rm -f "$file"; done
}
trap cleanup EXIT
fail() { echo "FAIL $*" >&2; exit 1; }
windows() { echo "Z:$(sed 's|/|\\|g' <<<"$1")"; }
base_overrides="mscoree,mshtml=;winemenubuilder.exe=d"

# The planted DLL: its DllMain leaves C:\dz-planted-markers\<its file name>.
cat >"$work/marker.cpp" <<'SOURCE'
#include <windows.h>
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH], marker[MAX_PATH + 64] = L"C:\\dz-planted-markers\\";
  DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  const wchar_t* name = path + length;
  while (name > path && name[-1] != L'\\') --name;
  lstrcatW(marker, name);
  CreateDirectoryW(L"C:\\dz-planted-markers", nullptr);
  HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return TRUE;
}
SOURCE
# The control: imports one function of each system DLL the programs import,
# and does nothing.
cat >"$work/control.cpp" <<'SOURCE'
#include <windows.h>
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  void* volatile keep[] = {(void*)GetStockObject, (void*)RegCloseKey, (void*)CommDlgExtendedError,
                           (void*)CoInitializeEx, (void*)CommandLineToArgvW, (void*)GetDesktopWindow};
  return keep[0] == nullptr;
}
SOURCE
"$cxx" -shared -O2 -static "$work/marker.cpp" -o "$work/marker.dll" || fail "cannot build the marker DLL"
"$cxx" -mwindows -O2 "$work/control.cpp" -o "$work/control.exe" -static -lole32 -lcomdlg32 -lshell32 ||
  fail "cannot build the control program"

# The DLL names (lower case, .dll only) in a +loaddll trace.
loaded_names() {
  grep -o 'Loaded L"[^"]*"' "$1" | sed 's/.*\\\\//; s/"$//' | tr 'A-Z' 'a-z' | grep '\.dll$' | sort -u
}
# Runs the program with a loader trace into the given file; its exit code.
traced() {
  local trace=$1; shift
  local code=0
  WINEDEBUG=+loaddll "$root/tools/wine-run" "$@" >/dev/null 2>"$trace" || code=$?
  echo $code
}
temp_folder=$(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 -name Temp -not -path '*/Public/*' | head -1)
[ -d "$temp_folder" ] || fail "no user's temporary folder in the prefix"
# Starts the wizard, waits until it has painted its window (the title bar's
# pictures are drawn with AlphaBlend, so msimg32 is loaded then: the loader's
# trace says so), then ends it; the scratch folder the ended wizard could not
# remove goes too.
wizard_shown() {
  local trace=$1 program=$2 before
  before=$(ls -d "$temp_folder"/DzInstall-* 2>/dev/null || true)
  WINEDEBUG=+loaddll "$root/tools/wine-run" "$program" >/dev/null 2>"$trace" &
  wizard=$!
  wait_line "$trace" 'Loaded L"[^"]*msimg32\.dll"' $wizard 60 || fail "the wizard did not paint its window"
  kill $wizard 2>/dev/null || true
  wait $wizard 2>/dev/null || true
  wizard=""
  for folder in "$temp_folder"/DzInstall-*; do
    [ -d "$folder" ] && ! grep -qxF "$folder" <<<"$before" && rm -rf "$folder"
  done
  return 0
}
# Waits until UnInstall.exe's temporary copy has deleted the uninstaller (the
# shop's databases keep the folder), at most 30 s.
wait_uninstalled() {
  wait_gone "$install_folder/UnInstall.exe" 30 || fail "UnInstall.exe stays after UnInstall.exe /S"
}
install() {
  "$root/tools/wine-run" "$work/download/DIzavozi.exe" /S /EDITION=CySaaS "/DIR=C:\\$folder_name" \
    /SYSTEMS=Sc,Pos,WmSvr,Kds "/LOG=$(windows "$work/$1.log")"
}

mkdir -p "$work/download"
cp "$exe" "$work/download/DIzavozi.exe"

# 1. What Wine's own system libraries load: the control run.
WINEDLLOVERRIDES=$base_overrides traced "$work/control.trace" "$work/control.exe" >/dev/null
loaded_names "$work/control.trace" >"$work/control.names"
[ -s "$work/control.names" ] || fail "the control run shows no DLL loaded"

# 2. What the programs load, with nothing planted.
export WINEDLLOVERRIDES=$base_overrides
code=$(traced "$work/install.trace" "$work/download/DIzavozi.exe" /S /EDITION=CySaaS "/DIR=C:\\$folder_name" \
  /SYSTEMS=Sc,Pos,WmSvr,Kds "/LOG=$(windows "$work/gather.log")")
[ "$code" = 0 ] || fail "DIzavozi.exe /S exit code $code with nothing planted"
wizard_shown "$work/wizard.trace" "$work/download/DIzavozi.exe"
code=$(traced "$work/uninstall.trace" "$install_folder/UnInstall.exe" /S)
[ "$code" = 0 ] || fail "UnInstall.exe /S exit code $code with nothing planted"
wait_uninstalled
cat "$work/install.trace" "$work/wizard.trace" "$work/uninstall.trace" >"$work/programs.trace"
loaded_names "$work/programs.trace" | comm -23 - "$work/control.names" >"$work/planted.names"
grep -qx msimg32.dll "$work/planted.names" || fail "msimg32.dll (the title bar's AlphaBlend) was not seen loaded"
echo "excluded, loaded by the control run: $(tr '\n' ' ' <"$work/control.names")"
echo "planted: $(tr '\n' ' ' <"$work/planted.names")"

# 3. The same runs with a DLL of each name planted and preferred.
names=$(sed 's/\.dll$//' "$work/planted.names" | paste -sd, -)
export WINEDLLOVERRIDES="$base_overrides;$names=n,b"
plant() {
  local name
  while read -r name; do cp "$work/marker.dll" "$1/$name"; done <"$work/planted.names"
}
plant "$work/download"
for name in $(cat "$work/planted.names"); do
  [ -e "$temp_folder/$name" ] && continue
  cp "$work/marker.dll" "$temp_folder/$name"
  planted_in_temp+=("$temp_folder/$name")
done
rm -rf "$markers"

code=0
install planted || code=$?
[ "$code" = 0 ] || fail "DIzavozi.exe /S exit code $code with DLLs planted beside it"
wizard_shown "$work/wizard-planted.trace" "$work/download/DIzavozi.exe"
plant "$install_folder"
code=0
"$root/tools/wine-run" "$install_folder/UnInstall.exe" /S || code=$?
[ "$code" = 0 ] || fail "UnInstall.exe /S exit code $code with DLLs planted beside it"
wait_uninstalled

if [ -d "$markers" ] && [ -n "$(ls -A "$markers")" ]; then
  fail "planted DLLs ran: $(ls "$markers" | tr '\n' ' ')"
fi
echo "no planted DLL ran; DIzavozi.exe /S, its wizard and UnInstall.exe /S exited 0"
