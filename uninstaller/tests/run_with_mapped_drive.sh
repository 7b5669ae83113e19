#!/bin/bash
# Runs a Windows test program under Wine with drive T: mapped to a throwaway
# folder, so that it can show what happens to files on another drive.
#   run_with_mapped_drive.sh PROGRAM [ARGS...]
# Uses the Wine prefix of the test run (WINEPREFIX); started by hand without
# one, it prepares a prefix of its own as tools/wine-run does.
set -u
here=$(cd "$(dirname "$0")" && pwd)
tools=$here/../../tools
own_env=""
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  . "$tools/wine-env.sh"
  wine_env_use_arch "$(wine_env_arch_of "$1")"
  suffix=""
  [ "$DIZAVOZI_WINE_ARCH" = win64 ] && suffix=-win64
  wine_env_start "${WINEPREFIX:-$here/../../build/wineprefix$suffix}"
  own_env=1
fi
throwaway=$(mktemp -d /tmp/dizavozi-drive-t.XXXXXX)
link=$WINEPREFIX/dosdevices/t:
if [ -e "$link" ] || [ -L "$link" ]; then
  echo "drive T: is already mapped in $WINEPREFIX" >&2
  rm -rf "$throwaway"
  exit 1
fi
ln -s "$throwaway" "$link"
"$tools/wine-run" "$@"
status=$?
rm -f "$link"
rm -rf "$throwaway"
[ -n "$own_env" ] && wine_env_stop
exit $status
