#!/bin/bash
# Installs what is missing, builds DIzavozi.exe and runs it under Wine. With
# DISPLAY set the installer opens on that display and the script returns when
# it ends. Without one it runs inside Xvfb: the script waits for the wizard
# window, saves a picture of it to build/screenshot.png, prints its path and
# ends the installer.
#
# The program is the 32-bit one we ship (the win32 preset). Where this
# machine cannot run 32-bit programs (Debian's 32-bit Wine then cannot
# start), or with DIZAVOZI_FORCE_WIN64=1, it is the same program built for
# x86-64 (the win64 preset), and the script says so.
# DIZAVOZI_BUILD_DIR overrides the build tree (default build/win32 or
# build/win64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if [ "$(id -u)" = 0 ]; then
  bash tools/install-deps.sh
elif command -v sudo >/dev/null; then
  sudo bash tools/install-deps.sh
fi

preset=win32 arch=i686
if [ "${DIZAVOZI_FORCE_WIN64:-}" = 1 ] || ! bash tools/machine-runs-32bit.sh; then
  preset=win64 arch=x86_64
  if [ "${DIZAVOZI_FORCE_WIN64:-}" = 1 ]; then
    echo "run-installer: DIZAVOZI_FORCE_WIN64=1: running the x86-64 build of DIzavozi.exe (build/win64)"
  else
    echo "run-installer: $(bash tools/machine-runs-32bit.sh --why);"
    echo "run-installer: running the x86-64 build of DIzavozi.exe (build/win64), not the 32-bit one we ship"
  fi
fi
bash tools/build-libjpeg-mingw.sh $arch
bash tools/build-libdeflate-mingw.sh $arch

build=${DIZAVOZI_BUILD_DIR:-build/$preset}
mkdir -p build
cmake --preset $preset -B "$build" >build/configure-run-installer.log 2>&1 ||
  { cat build/configure-run-installer.log; exit 1; }
cmake --build "$build" --target DIzavozi
exe=$root/$build/DIzavozi.exe
[ -f "$exe" ] || exe=$build/DIzavozi.exe

. tools/wine-env.sh
wine_env_use_arch $preset
suffix=""
[ $preset = win64 ] && suffix=-win64
prefix=${WINEPREFIX:-$root/build/wineprefix$suffix}

if [ -n "${DISPLAY:-}" ] && [ "${DIZAVOZI_FORCE_XVFB:-}" != 1 ]; then
  wine_env_start "$prefix"
  status=0
  wine "$exe" || status=$?
  wine_env_stop
  exit $status
fi

wine_env_start "$prefix"
trap wine_env_stop EXIT
wine "$exe" >/dev/null 2>&1 &
installer=$!

# The wizard is a borderless 742 x 473 window; Xvfb has no window manager,
# so the X window has exactly that size.
shown=""
for _ in $(seq 300); do
  shown=$(xwininfo -root -tree 2>/dev/null | awk '/ 742x473\+/ { print $1; exit }')
  [ -n "$shown" ] && break
  kill -0 $installer 2>/dev/null || break
  sleep 0.2
done
if [ -z "$shown" ]; then
  echo "run-installer: the installer window did not appear" >&2
  exit 1
fi
sleep 1  # let it paint
shot=$root/build/screenshot.png
import -window "$shown" "$shot"
echo "$shot"
kill $installer 2>/dev/null || true
wait $installer 2>/dev/null || true
