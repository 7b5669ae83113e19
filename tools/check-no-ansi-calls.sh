#!/bin/bash
# Fails when one of our own object files calls an "A" (ANSI) Windows function
# that takes text: every text must cross the boundary as UTF-16 through code
# page 936 (platform/windows/wide.h), never through the machine's ANSI code
# page. Win32 functions are stdcall, decorated "_Name@bytes" on i686, so an
# undefined "_NameA@n" or "__imp__NameA@n" is such a call; the C runtime's
# own imports live in its libraries, not in our objects.
#
#   check-no-ansi-calls.sh BUILD_DIR        every object file of the tree
#                                           (GoogleTest's sources aside)
#   check-no-ansi-calls.sh --probe CXX      shows that the check finds ANSI
#                                           calls: compiles a probe with CXX
set -uo pipefail
export LC_ALL=C  # nm's own words, not their translations (Wine runs use zh_CN)
nm=${NM:-i686-w64-mingw32-nm}
ansi_symbol='^(__imp__|_)[A-Za-z0-9_]+A@[0-9]+$'

# Prints "object: function" for every ANSI call in the given object files.
ansi_calls() {
  local object symbol
  for object in "$@"; do
    "$nm" -u "$object" 2>/dev/null | awk '{print $NF}' | grep -E "$ansi_symbol" |
      while read -r symbol; do echo "$object: $symbol"; done
  done
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
    grep -q "_${expected}@" <<<"$found" || { echo "FAIL: the probe's $expected was not found"; status=1; }
  done
  ! grep -q MessageBoxW <<<"$found" || { echo "FAIL: MessageBoxW taken for an ANSI call"; status=1; }
  exit $status
fi

build=${1:?usage: check-no-ansi-calls.sh BUILD_DIR | --probe CXX}
mapfile -t objects < <(find "$build" -name '*.obj' -path '*/CMakeFiles/*' -not -path "$build/googletest/*" | sort)
[ ${#objects[@]} -gt 0 ] || { echo "FAIL: no object files under $build"; exit 1; }
found=$(ansi_calls "${objects[@]}")
if [ -n "$found" ]; then
  echo "FAIL: ANSI text functions called from our code:"
  echo "$found"
  exit 1
fi
echo "ok: ${#objects[@]} object files call no ANSI text function"
