#!/bin/bash
# Fails when one of our own object files calls an "A" (ANSI) Windows function
# that takes text: every text must cross the boundary as UTF-16 through code
# page 936 (platform/windows/wide.h), never through the machine's ANSI code
# page. On i686 Win32 functions are stdcall, decorated "_Name@bytes", so an
# undefined "_NameA@n" or "__imp__NameA@n" is such a call. On x86-64 there is
# no decoration: the headers declare every Win32 function as imported, so the
# call is an undefined "__imp_NameA". The C runtime's own imports live in its
# libraries, not in our objects.
#
#   check-no-ansi-calls.sh ARCH BUILD_DIR     every object file of the tree
#                                             (GoogleTest's sources aside)
#   check-no-ansi-calls.sh ARCH --probe CXX   shows that the check finds ANSI
#                                             calls: compiles a probe with CXX
# ARCH is i686 or x86_64.
set -uo pipefail
export LC_ALL=C  # nm's own words, not their translations (Wine runs use zh_CN)
usage="usage: check-no-ansi-calls.sh i686|x86_64 BUILD_DIR | --probe CXX"
case ${1:-} in
  i686) ansi_symbol='^(__imp__|_)[A-Za-z0-9_]+A@[0-9]+$' ;;
  x86_64) ansi_symbol='^__imp_[A-Za-z0-9_]+A$' ;;
  *) echo "$usage"; exit 2 ;;
esac
nm=${NM:-$1-w64-mingw32-nm}
shift

# Prints "object: function" for every ANSI call in the given object files
# (one nm for all of them: a tree has hundreds).
ansi_calls() {
  [ $# -gt 0 ] || return 0
  "$nm" -u -A "$@" 2>/dev/null | awk -v pattern="$ansi_symbol" '
    { symbol = $NF; object = $1; sub(/:$/, "", object) }
    symbol ~ pattern { print object ": " symbol }'
}

if [ "${1:-}" = "--probe" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cat >"$work/probe.cpp" <<'PROBE'
#include <windows.h>
void Ansi() { MessageBoxA(nullptr, "a", "b", 0); CreateFileA("x", 0, 0, nullptr, 0, 0, nullptr); }
void Wide() { MessageBoxW(nullptr, L"a", L"b", 0); }
PROBE
  "$2" -c "$work/probe.cpp" -o "$work/probe.obj" || { echo "FAIL: cannot compile the probe"; exit 1; }
  found=$(ansi_calls "$work/probe.obj")
  echo "$found"
  status=0
  for expected in MessageBoxA CreateFileA; do
    grep -Eq "_${expected}(@|\$)" <<<"$found" || { echo "FAIL: the probe's $expected was not found"; status=1; }
  done
  ! grep -q MessageBoxW <<<"$found" || { echo "FAIL: MessageBoxW taken for an ANSI call"; status=1; }
  exit $status
fi

build=${1:?$usage}
mapfile -t objects < <(find "$build" -name '*.obj' -path '*/CMakeFiles/*' -not -path "$build/googletest/*" | sort)
[ ${#objects[@]} -gt 0 ] || { echo "FAIL: no object files under $build"; exit 1; }
found=$(ansi_calls "${objects[@]}")
if [ -n "$found" ]; then
  echo "FAIL: ANSI text functions called from our code:"
  echo "$found"
  exit 1
fi
echo "ok: ${#objects[@]} object files call no ANSI text function"
