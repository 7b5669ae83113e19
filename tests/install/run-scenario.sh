#!/bin/bash
# Runs one installation scenario in a Wine prefix and X display of its own:
#   run-scenario.sh install_driver.exe SCENARIO DIzavozi.exe [PICTURE-FOLDER]
# catering_at_code_page_1252 runs at the Western code page 1252 (en_US.UTF-8),
# the others at code page 936 (zh_CN.UTF-8). HOME lies inside the throwaway prefix, so the
# Desktop and Start menu the shortcuts go to are the prefix's own. The
# prefix is removed afterwards; with DIZAVOZI_KEEP_PREFIX=1 it stays.
set -u
driver=$1 scenario=$2 exe=$3 pictures=${4:-}
root=$(cd "$(dirname "$0")/../.." && pwd)

unset DISPLAY
export DIZAVOZI_FORCE_XVFB=1
if [ "$scenario" = catering_at_code_page_1252 ]; then
  export DIZAVOZI_WINE_LANG=en_US.UTF-8
else
  export DIZAVOZI_WINE_LANG=zh_CN.UTF-8
fi
. "$root/tools/wine-env.sh"
wine_env_use_arch "$(wine_env_arch_of "$driver")"
prefix=$(mktemp -d /tmp/dizavozi-scenario$scenario.XXXXXX)
wine_env_start "$prefix"

# undo_on_a_full_drive installs onto a small drive of its own (a tmpfs,
# which needs root), mapped to a free letter and named to the driver.
small=""
if [ "$scenario" = undo_on_a_full_drive ]; then
  if [ "$(id -u)" != 0 ]; then
    wine_env_stop; rm -rf "$prefix"
    echo "SKIP: mounting a small drive needs root"; exit 77
  fi
  small=$(mktemp -d /tmp/dz-small-drive.XXXXXX)
  if ! mount -t tmpfs -o size=48m tmpfs "$small"; then
    wine_env_stop; rm -rf "$prefix" "$small"
    echo "SKIP: cannot mount a tmpfs here"; exit 77
  fi
  for l in q r s t u v w x y; do
    if [ ! -e "$prefix/dosdevices/$l:" ] && [ ! -L "$prefix/dosdevices/$l:" ]; then
      ln -s "$small" "$prefix/dosdevices/$l:"
      export DIZAVOZI_SMALL_DRIVE=$(tr a-z A-Z <<<"$l")
      break
    fi
  done
fi

# The installer runs from a copy in the prefix, as a downloaded one would
# (and a rebuild of the tree's copy meanwhile cannot touch the run).
mkdir -p "$prefix/drive_c/下载"
cp "$exe" "$prefix/drive_c/下载/DIzavozi.exe"
args=('C:\下载\DIzavozi.exe')
[ -n "$pictures" ] && mkdir -p "$pictures" && args+=("$(wine winepath -w "$pictures" | tr -d '\r')")
wine "$driver" "$scenario" "${args[@]}"
status=$?

wine_env_stop
if [ -n "$small" ]; then
  umount "$small" 2>/dev/null
  rmdir "$small"
fi
if [ "${DIZAVOZI_KEEP_PREFIX:-}" = 1 ]; then
  echo "prefix kept: $prefix"
else
  rm -rf "$prefix"
fi
exit $status
