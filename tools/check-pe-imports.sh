#!/bin/bash
# Checks that an executable is a Windows program of the tree's architecture
# (PE32 for i686, PE32+ for x86_64) and of the given subsystem that imports
# only DLLs every Windows system has, so the single file runs as it is.
#   check-pe-imports.sh --gui i686 DIzavozi.exe
#   check-pe-imports.sh --console x86_64 unzipper.exe
set -uo pipefail
export LC_ALL=C  # objdump's own words, not their translations (Wine runs use zh_CN)
usage="usage: check-pe-imports.sh --gui|--console i686|x86_64 program.exe"
case ${1:-} in
  --gui) subsystem='00000002[[:space:]]+\(Windows GUI\)'; kind="a Windows GUI program" ;;
  --console) subsystem='00000003[[:space:]]+\(Windows CUI\)'; kind="a console program" ;;
  *) echo "$usage"; exit 2 ;;
esac
case ${2:-} in
  i686) format=pei-i386 magic='010b[[:space:]]+\(PE32\)' ;;
  x86_64) format=pei-x86-64 magic='020b[[:space:]]+\(PE32\+\)' ;;
  *) echo "$usage"; exit 2 ;;
esac
exe=${3:?$usage}
objdump=${OBJDUMP:-$2-w64-mingw32-objdump}
dump=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; exit 1; }

status=0
grep -q "file format $format\$" <<<"$dump" || { echo "FAIL: not a $format image"; status=1; }
grep -Eq "^Magic[[:space:]]+$magic" <<<"$dump" || { echo "FAIL: not the $2 image kind ($magic)"; status=1; }
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
