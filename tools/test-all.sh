#!/bin/bash
# Installs what is missing, builds every tree and runs every test:
#   native-asan (the portable code and its tests, under AddressSanitizer and
#   UndefinedBehaviorSanitizer), native-tsan (the extraction tests, which run
#   worker threads, under ThreadSanitizer), fuzz (bounded libFuzzer runs),
#   win32 and win64 (the Windows programs, 32-bit and x86-64).
#
# The plain native tree (optimised, no sanitizers: the benchmarks' tree and
# the quick loop while working) runs exactly the tests native-asan runs, so
# the test command leaves it out; DIZAVOZI_TREES="native" runs it.
#
# native-asan, fuzz, win32 and win64 are unity builds (a few sources compiled
# as one), which takes about a third off their build time on two cores. The
# plain native and native-tsan trees are not, so a source that leans on
# another's includes still fails to build there.
#
# Which Windows tree runs under Wine is found by trying, not by a setting:
# where this machine can start 32-bit programs, the win32 tree (the programs
# we ship) runs every test under Wine and the win64 tree is built and checked
# statically; where it cannot (Debian's 32-bit Wine then cannot start), the
# win32 tree is built and checked statically and every Wine test runs on the
# win64 tree. DIZAVOZI_FORCE_WIN64=1 takes the second way on any machine.
#
# The Wine tests run in the background while the native trees build, so the
# machine's two cores are both at work. The summary gives each tree's counts,
# what was found about the machine, and every skipped test with its reason.
# Exits non-zero when anything fails. DIZAVOZI_TREES limits the trees, e.g.
# DIZAVOZI_TREES="native win64".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

trees=${DIZAVOZI_TREES:-"native-asan native-tsan fuzz win32 win64"}
has_tree() { [[ " $trees " == *" $1 "* ]]; }
started=$(date +%s)
phases=()
phase_start=$started
# phase NAME: notes how long the phase since the last one took.
phase() {
  local now
  now=$(date +%s)
  phases+=("$(printf '%-34s %4d s' "$1" $((now - phase_start)))")
  phase_start=$now
}

if [ "$(id -u)" = 0 ]; then
  bash tools/install-deps.sh || exit 1
elif command -v sudo >/dev/null; then
  sudo bash tools/install-deps.sh || exit 1
fi
phase "packages"

# Which Windows tree runs under Wine.
if [ "${DIZAVOZI_FORCE_WIN64:-}" = 1 ]; then
  wine_tree=win64 static_tree=win32
  machine="DIZAVOZI_FORCE_WIN64=1: the 64-bit way was asked for ($(bash tools/machine-runs-32bit.sh --why))"
elif bash tools/machine-runs-32bit.sh; then
  wine_tree=win32 static_tree=win64
  machine=$(bash tools/machine-runs-32bit.sh --why)
else
  wine_tree=win64 static_tree=win32
  machine=$(bash tools/machine-runs-32bit.sh --why)
fi

for tree in win32 win64; do
  if has_tree $tree; then
    arch=i686
    [ $tree = win64 ] && arch=x86_64
    bash tools/build-libjpeg-mingw.sh $arch || exit 1
    bash tools/build-libdeflate-mingw.sh $arch || exit 1
  fi
done
phase "libjpeg and libdeflate for MinGW"

status=0
summary=()
wine_pid=""
mkdir -p build

# configure TREE: configures a tree; false (and noted) when it fails.
configure() {
  local tree=$1
  rm -f "build/$tree/Testing/Temporary/LastTest.log"  # no skips reported from an earlier run
  echo "=== $tree: configure and build"
  if ! cmake --preset "$tree" >"build/configure-$tree.log" 2>&1; then
    cat "build/configure-$tree.log"
    summary+=("$tree: configure failed"); status=1; return 1
  fi
}

# build TREE [TARGET...]: builds the tree (its preset's targets, or those
# given); false (and noted) when it fails.
build() {
  local tree=$1
  shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  # While the Wine tests run, the compilers give way to them a little (they
  # wait on windows and processes, with time to spare; nice 10 starved the
  # builds that the whole run waits for).
  local nice=()
  [ -n "$wine_pid" ] && nice=(nice -n 3)
  if ! "${nice[@]}" cmake --build --preset "$tree" "${targets[@]}"; then
    summary+=("$tree: build failed"); status=1; return 1
  fi
}

# run_tests TREE [CTEST ARGS...]: runs the tree's tests into build/ctest-TREE.log.
run_tests() {
  local tree=$1
  shift
  echo "=== $tree: tests"
  local log=build/ctest-$tree.log
  ctest --preset "$tree" "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  summary+=("$tree: $(grep -E 'tests passed|No tests were found' "$log" | tail -n1)")
  [ "$rc" = 0 ] || status=1
}

# The Wine tree first: its tests then run in the background, mostly waiting
# on windows and processes, while the other trees build.
wine_prefix=""
if has_tree $wine_tree; then
  if configure $wine_tree && build $wine_tree; then
    phase "$wine_tree: build"
    . tools/wine-env.sh
    wine_env_use_arch $wine_tree
    export DIZAVOZI_FORCE_XVFB=1
    wine_work=$(mktemp -d /tmp/dizavozi-wine.XXXXXX)
    # One booted prefix, copied for the test run and for every installation
    # scenario (each scenario starts on a prefix of its own). The tests in the
    # shared prefix run one at a time (the tree's test preset): it is one
    # machine, and a test may hold machine-wide state while it runs (a run's
    # journal under HKLM) that another test's wizard would find.
    wine_env_make_template "$wine_work/template"
    export DIZAVOZI_WINE_TEMPLATE=$wine_work/template
    wine_prefix=$wine_work/prefix
    echo "=== $wine_tree: Wine prefix $wine_prefix (Wine tests in the background)"
    (
      wine_env_start "$wine_prefix"
      ctest --preset $wine_tree >build/ctest-$wine_tree.log 2>&1
      rc=$?
      wine_env_stop
      exit $rc
    ) &
    wine_pid=$!
    phase "$wine_tree: Wine prefix"
  fi
fi

# The other Windows tree: the programs it builds, checked statically.
if has_tree $static_tree; then
  if configure $static_tree && build $static_tree dz_windows_programs; then
    phase "$static_tree: build (programs)"
    run_tests $static_tree -L build-truth
    phase "$static_tree: static checks"
  fi
fi

for tree in native native-asan native-tsan fuzz; do
  has_tree $tree || continue
  if configure $tree && build $tree; then
    phase "$tree: build"
    run_tests $tree
    phase "$tree: tests"
  fi
done

if [ -n "$wine_pid" ]; then
  echo "=== $wine_tree: waiting for the Wine tests"
  wait $wine_pid
  rc=$?
  cat build/ctest-$wine_tree.log
  summary+=("$wine_tree: $(grep -E 'tests passed|No tests were found' build/ctest-$wine_tree.log | tail -n1)")
  [ "$rc" = 0 ] || status=1
  # The ports lead to files of the prefix; an archive entry named like a
  # device ("COM1.txt", "LPT1") that reached one would have left bytes.
  for port in "$wine_prefix"/devices/*; do
    if [ -s "$port" ]; then
      summary+=("$wine_tree: a test wrote to the port $(basename "$port")"); status=1
    fi
  done
  rm -rf "$wine_work"
  phase "$wine_tree: Wine tests (after the rest)"
  phases+=("  ($wine_tree Wine tests alone: $(grep -E 'Total Test time' build/ctest-$wine_tree.log | sed 's/.*= *//'))")
fi

echo "=== summary"
echo "machine: $machine"
if has_tree win32 || has_tree win64; then
  if [ $wine_tree = win32 ]; then
    echo "Windows programs: the Wine tests ran on the win32 tree, the 32-bit programs we ship;"
    echo "  the win64 tree (the same sources for x86-64) was built and checked statically."
  else
    echo "Windows programs: the Wine tests ran on the win64 tree (the same sources built for x86-64);"
    echo "  the win32 tree was built and checked statically only: the shipped 32-bit DIzavozi.exe"
    echo "  was NOT run on this machine."
  fi
fi
printf '%s\n' "${summary[@]}"
echo "time per phase:"
printf '  %s\n' "${phases[@]}"
echo "  total: $(( $(date +%s) - started )) s"
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
