#!/bin/bash
# Checks that an executable is a 32-bit Windows program (PE32) of the given
# subsystem that imports only DLLs every Windows system has, so the single
# file runs as it is.
#   check-pe-imports.sh --gui DIzavozi.exe
#   check-pe-imports.sh --console unzipper.exe
set -uo pipefail
export LC_ALL=C  # objdump's own words, not their translations (Wine runs use zh_CN)
case ${1:-} in
  --gui) subsystem='00000002[[:space:]]+\(Windows GUI\)'; kind="a Windows GUI program" ;;
  --console) subsystem='00000003[[:space:]]+\(Windows CUI\)'; kind="a console program" ;;
  *) echo "usage: check-pe-imports.sh --gui|--console program.exe"; exit 2 ;;
esac
exe=$2
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
dump=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; exit 1; }

status=0
grep -q 'file format pei-i386' <<<"$dump" || { echo "FAIL: not a pei-i386 image"; status=1; }
grep -Eq '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' <<<"$dump" || { echo "FAIL: not PE32"; status=1; }
grep -Eq "^Subsystem[[:space:]]+$subsystem" <<<"$dump" || { echo "FAIL: not $kind"; status=1; }

# System DLLs of Windows (msvcrt.dll included: it ships with every Windows).
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|shlwapi|uxtheme|msvcrt|version|winmm|msimg32)\.dll$'
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
[ -n "$imports" ] || { echo "FAIL: no import table found"; status=1; }
while read -r dll; do
  [ -z "$dll" ] && continue
  if grep -Eiq "$allowed" <<<"$dll"; then
    echo "ok: imports $dll"
  else
    echo "FAIL: imports $dll, which is not a Windows system DLL"
    status=1
  fi
done <<<"$imports"
exit $status
