#!/bin/bash
# Install benchmark against NSIS (not part of the test run): builds
# DIzavozi.exe carrying the full-size demo product (about 150 MB) in a tree of
# its own, build/bench-win32 (the win32 preset with -DDZ_FULL_PRODUCT=ON and
# -DDZ_TIME_PUMPS=ON; the normal trees are left alone), builds the same files
# into two NSIS installers, and times silent installations of the three
# under Wine (bench_nsis.py prints the table).
#
#   bash tools/bench/bench_nsis.sh [--runs N]
#
# DZ_BENCH_PREFIX names the Wine prefix (default build/bench-win32/wineprefix).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
tree=$root/build/bench-win32

# NSIS's installers and the DIzavozi we ship are 32-bit programs: where the
# machine cannot start those, there is nothing to compare, and the bench says
# why instead of failing somewhere inside Wine. It then times DIzavozi alone,
# built for x86-64 (build/bench-win64), for its own figures (time split,
# message pumps, memory), and still exits 3: nothing was compared.
only=()
arch=win32
if ! bash tools/machine-runs-32bit.sh; then
  echo "bench_nsis: cannot compare on this machine: $(bash tools/machine-runs-32bit.sh --why)" >&2
  echo "bench_nsis: timing DIzavozi alone, built for x86-64 (no NSIS installer runs here)" >&2
  only=(--only-dizavozi)
  arch=win64
  tree=$root/build/bench-win64
fi

if [ ${#only[@]} -eq 0 ] && ! command -v makensis >/dev/null; then
  if [ "$(id -u)" = 0 ]; then
    apt-get install -y nsis
  else
    echo "makensis is missing: install the Debian package nsis (apt-get install nsis) as root" >&2
    exit 1
  fi
fi
compiler=i686-w64-mingw32-g++-posix
[ $arch = win64 ] && compiler=x86_64-w64-mingw32-g++-posix
for tool in wine Xvfb $compiler; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing: run tools/install-deps.sh as root first" >&2
    exit 1
  fi
done

mkdir -p build
mingw_arch=i686
[ $arch = win64 ] && mingw_arch=x86_64
bash tools/build-libjpeg-mingw.sh $mingw_arch
bash tools/build-libdeflate-mingw.sh $mingw_arch
if [ ! -f "$tree/CMakeCache.txt" ]; then
  flock build/.lock cmake --preset $arch -B "$tree" -DDZ_FULL_PRODUCT=ON -DDZ_TIME_PUMPS=ON >/dev/null
fi
flock build/.lock cmake --build "$tree" --target DIzavozi bench_launch

export DIZAVOZI_FORCE_XVFB=1
. tools/wine-env.sh
wine_env_use_arch $arch
trap wine_env_stop EXIT
wine_env_start "${DZ_BENCH_PREFIX:-$tree/wineprefix}"
echo "load before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
python3 tools/bench/bench_nsis.py --tree "$tree" "${only[@]}" "$@" || status=$?
echo "load after the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ ${#only[@]} -gt 0 ]; then
  echo "bench_nsis: DIzavozi alone, x86-64 build; NSIS not compared on this machine" >&2
  [ $status = 0 ] && status=3
fi
exit $status
