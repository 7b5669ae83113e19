#!/bin/bash
# Fails when a program that runs as administrator imports a DLL that is not on
# the system's list of known DLLs. Windows looks for any other DLL of its
# import table in the program's own folder first (a Downloads folder, an
# installation folder users may write to), and the static imports are
# resolved before the program's first instruction, so nothing the program
# does can stop a planted copy there. Such DLLs are loaded from the system
# folder at run time instead (platform/windows/system_dlls.h).
#
#   check-known-dlls.sh ARCH program.exe...   every import of each program
#   check-known-dlls.sh ARCH --probe CXX      shows that the check refuses an
#                                             import that is not known: links
#                                             two probes with CXX
# ARCH is i686 or x86_64.
set -uo pipefail
export LC_ALL=C  # objdump's own words, not their translations (Wine runs use zh_CN)
usage="usage: check-known-dlls.sh i686|x86_64 program.exe... | --probe CXX"
case ${1:-} in
  i686 | x86_64) arch=$1 ;;
  *) echo "$usage"; exit 2 ;;
esac
objdump=${OBJDUMP:-$arch-w64-mingw32-objdump}
shift

# Known DLLs on every Windows from 7 to 11 (the KnownDLLs key of Session
# Manager); combase, coml2, gdiplus and shcore are known only from Windows 10,
# lpk, usp10, urlmon and wininet only on older systems: none of those is here.
known='^(advapi32|clbcatq|comdlg32|gdi32|imagehlp|imm32|kernel32|msctf|msvcrt|normaliz|nsi|ole32|oleaut32|psapi|rpcrt4|sechost|setupapi|shell32|shlwapi|user32|wldap32|ws2_32)\.dll$'

# Checks one program; prints a line per import, returns 1 on any import that
# is not known (or no import table).
check() {
  local exe=$1 dump imports dll status=0
  dump=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; return 1; }
  imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
  [ -n "$imports" ] || { echo "FAIL: $exe: no import table found"; return 1; }
  while read -r dll; do
    [ -z "$dll" ] && continue
    if grep -Eiq "$known" <<<"$dll"; then
      echo "ok: $(basename "$exe") imports $dll, a known DLL"
    else
      echo "FAIL: $(basename "$exe") imports $dll, which is not a known DLL: a copy beside the program would be loaded"
      status=1
    fi
  done <<<"$imports"
  return $status
}

if [ "${1:-}" = "--probe" ]; then
  cxx=${2:?$usage}
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cat >"$work/planted.cpp" <<'PROBE'
#include <windows.h>
#include <commctrl.h>
int WINAPI WinMain(HINSTANCE i, HINSTANCE p, LPSTR c, int s) {
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_PROGRESS_CLASS;
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, 0};
  InitCommonControlsEx(&controls);
  AlphaBlend(0, 0, 0, 1, 1, 0, 0, 0, 1, 1, blend);
  return MessageBoxW(0, L"", L"", 0);
}
PROBE
  cat >"$work/known.cpp" <<'PROBE'
#include <windows.h>
int WINAPI WinMain(HINSTANCE i, HINSTANCE p, LPSTR c, int s) { return MessageBoxW(0, L"", L"", 0); }
PROBE
  "$cxx" -mwindows -static "$work/planted.cpp" -o "$work/planted.exe" -lcomctl32 -lmsimg32 ||
    { echo "FAIL: cannot link the probe"; exit 1; }
  "$cxx" -mwindows -static "$work/known.cpp" -o "$work/known.exe" || { echo "FAIL: cannot link the probe"; exit 1; }
  status=0
  found=$(check "$work/planted.exe") && { echo "FAIL: a program importing comctl32 and msimg32 passed"; status=1; }
  echo "$found"
  for dll in comctl32 msimg32; do
    grep -Eiq "^FAIL: planted.exe imports $dll\.dll" <<<"$found" || { echo "FAIL: the probe's $dll was not refused"; status=1; }
  done
  grep -Eiq "ok: planted.exe imports user32\.dll" <<<"$found" || { echo "FAIL: the probe's user32 was not accepted"; status=1; }
  check "$work/known.exe" || { echo "FAIL: a program importing only known DLLs was refused"; status=1; }
  exit $status
fi

[ $# -gt 0 ] || { echo "$usage"; exit 2; }
status=0
for exe in "$@"; do check "$exe" || status=1; done
exit $status
