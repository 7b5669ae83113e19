#!/bin/bash
# Installs what is missing, builds every tree and runs every test:
#   native (portable code), native-asan (sanitizers), fuzz (bounded libFuzzer
#   runs), win32 (the Windows programs under Wine in a throwaway prefix).
# The summary gives each tree's count and names every skipped test with its
# reason. Exits non-zero when anything fails. DIZAVOZI_TREES limits the trees, e.g.
# DIZAVOZI_TREES="native win32".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

trees=${DIZAVOZI_TREES:-"native native-asan fuzz win32"}

if [ "$(id -u)" = 0 ]; then
  bash tools/install-deps.sh || exit 1
elif command -v sudo >/dev/null; then
  sudo bash tools/install-deps.sh || exit 1
fi
bash tools/build-libjpeg-mingw.sh || exit 1

status=0
summary=()
run_tree() {
  local tree=$1
  rm -f "build/$tree/Testing/Temporary/LastTest.log"  # no skips reported from an earlier run
  echo "=== $tree: configure and build"
  if ! cmake --preset "$tree" >"build/configure-$tree.log" 2>&1; then
    cat "build/configure-$tree.log"
    summary+=("$tree: configure failed"); status=1; return
  fi
  if ! cmake --build --preset "$tree"; then
    summary+=("$tree: build failed"); status=1; return
  fi
  echo "=== $tree: tests"
  local log=build/ctest-$tree.log
  ctest --preset "$tree" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  summary+=("$tree: $(grep -E 'tests passed|No tests were found' "$log" | tail -n1)")
  [ "$rc" = 0 ] || status=1
}

mkdir -p build
for tree in $trees; do
  if [ "$tree" = win32 ]; then
    . tools/wine-env.sh
    prefix=$(mktemp -d /tmp/dizavozi-wine.XXXXXX)
    export DIZAVOZI_FORCE_XVFB=1
    echo "=== win32: Wine prefix $prefix"
    wine_env_start "$prefix"
    run_tree win32
    wine_env_stop
    # The ports lead to files of the prefix; an archive entry named like a
    # device ("COM1.txt", "LPT1") that reached one would have left bytes.
    for port in "$prefix"/devices/*; do
      if [ -s "$port" ]; then
        summary+=("win32: a test wrote to the port $(basename "$port")"); status=1
      fi
    done
    rm -rf "$prefix"
  else
    run_tree "$tree"
  fi
done

echo "=== summary"
printf '%s\n' "${summary[@]}"
logs=()
for tree in $trees; do logs+=("$tree=build/$tree/Testing/Temporary/LastTest.log"); done
skipped=$(python3 tools/list-skipped-tests.py "${logs[@]}")
if [ -n "$skipped" ]; then
  echo "skipped tests, with their reasons:"
  sed 's/^/  /' <<<"$skipped"
else
  echo "skipped tests: none"
fi
passed=0 failed=0
for tree in $trees; do
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of' "build/ctest-$tree.log" 2>/dev/null | tail -n1)
  if [ -n "$line" ]; then
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad)); failed=$((failed + bad))
  fi
done
echo "all trees: $passed passed, $failed failed"
exit $status
