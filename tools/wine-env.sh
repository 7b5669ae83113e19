# Sourced by the scripts that run Windows programs under Wine.
# wine_env_start DIR: makes a fresh Wine prefix in DIR (unless it already holds
# one), starts Xvfb when no display is given, maps 宋体 to the CJK font and
# starts a persistent wineserver so that each program starts quickly.
# wine_env_stop: stops what wine_env_start started.
# wine ARGS...: runs a program with the loader of the prefix's architecture.
#
# The architecture is DIZAVOZI_WINE_ARCH: win32 (the default; the 32-bit
# programs of the win32 tree, Debian's wine32) or win64 (the x86-64 programs
# of the win64 tree, for machines that cannot run 32-bit programs). Each
# loader is named by its path: /usr/bin/wine picks the 32-bit one whenever
# wine32 is installed, whatever the prefix.
#
# Programs run as on a Chinese Windows: code page 936 (LANG=zh_CN.UTF-8)
# unless DIZAVOZI_WINE_LANG names another locale (en_US.UTF-8 gives the
# Western code page 1252). HOME points into the prefix, so the Desktop and
# the personal folders that a fresh prefix links to HOME stay inside it.

export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko prompts: the programs need neither.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# wine_env_use_arch win32|win64: the architecture of the prefixes to come.
wine_env_use_arch() {
  export DIZAVOZI_WINE_ARCH=$1 WINEARCH=$1
  case $1 in
    win64) export WINELOADER=/usr/lib/wine/wine64 ;;
    *) export WINELOADER=/usr/lib/wine/wine ;;
  esac
  # The 64-bit server serves prefixes of both kinds.
  if [ -x /usr/lib/wine/wineserver64 ]; then
    export WINESERVER=/usr/lib/wine/wineserver64
  else
    export WINESERVER=/usr/lib/wine/wineserver32
  fi
}
wine_env_use_arch "${DIZAVOZI_WINE_ARCH:-win32}"

wine() { "$WINELOADER" "$@"; }
wineserver() { "$WINESERVER" "$@"; }

# wine_env_arch_of PROGRAM.exe: win64 for an x86-64 program, else win32.
wine_env_arch_of() {
  local offset machine
  offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  machine=$(od -An -tx2 -j$((${offset:-0} + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
  if [ "$machine" = 8664 ]; then echo win64; else echo win32; fi
}

wine_env_started_xvfb=""

# An Xvfb display of its own when no display is given (or one is forced).
wine_env_start_display() {
  if [ -z "${DISPLAY:-}" ] || [ "${DIZAVOZI_FORCE_XVFB:-}" = 1 ]; then
    local n=90
    while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
    # Ahead of other work on a busy machine (as root): Wine turns the X
    # server's events into window activation, and events that come late undo
    # later activations (a box's focus change arriving after the box has
    # gone deactivates its owner).
    local nice=()
    [ "$(id -u)" = 0 ] && nice=(nice -n -10)
    "${nice[@]}" Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    wine_env_started_xvfb=$!
    export DISPLAY=:$n
    for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  fi
}

wine_env_stop_display() {
  if [ -n "$wine_env_started_xvfb" ]; then
    kill "$wine_env_started_xvfb" 2>/dev/null || true
    wait "$wine_env_started_xvfb" 2>/dev/null || true
    wine_env_started_xvfb=""
  fi
}

# The registry values that lead each serial and printer port to a plain file
# of the prefix (Wine's mount manager makes the port links from them).
wine_env_port_values() {
  local port
  for port in com1 com2 com3 com4 com5 com6 com7 com8 com9 lpt1 lpt2 lpt3 lpt4 lpt5 lpt6 lpt7 lpt8 lpt9; do
    printf '"%s"="%s"\n' "${port^^}" "$WINEPREFIX/devices/$port"
  done
}

# wine_env_make_prefix: makes a new prefix in WINEPREFIX. A copy of
# DIZAVOZI_WINE_TEMPLATE when that names a prefix made here before (of the
# same architecture and not in use), which takes a second or two where
# booting a prefix takes fifteen or more; else a freshly booted one.
wine_env_make_prefix() {
  mkdir -p "$WINEPREFIX"
  local template=${DIZAVOZI_WINE_TEMPLATE:-}
  if [ -n "$template" ] && [ -f "$template/system.reg" ]; then
    cp -a "$template/." "$WINEPREFIX/"
    # The user's folders lead to the template's HOME and the ports to its
    # files: lead them to this prefix's own.
    local link target
    while IFS= read -r -d '' link; do
      target=$(readlink "$link")
      case $target in
        "$template"/*) ln -sfn "$WINEPREFIX/${target#"$template"/}" "$link" ;;
      esac
    done < <(find "$WINEPREFIX" -type l -print0)
    sed -i "s#\"$template/#\"$WINEPREFIX/#g" "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg"
    return
  fi
  wine wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  local reg
  reg=$(mktemp --suffix=.reg)
  # regedit wants UTF-16 for names outside ASCII. 宋体 becomes the Sharp
  # face of WenQuanYi, whose bitmap strikes keep 12-16 pixel Chinese text
  # crisp. Without a window manager (Xvfb) Wine waits about two seconds
  # whenever a top-level window hides (every message box) unless its
  # windows are unmanaged.
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
    '"宋体"="WenQuanYi Zen Hei Sharp"' '"SimSun"="WenQuanYi Zen Hei Sharp"' \
    '"新宋体"="WenQuanYi Zen Hei Sharp"' '"NSimSun"="WenQuanYi Zen Hei Sharp"' \
    '"MS Shell Dlg"="WenQuanYi Zen Hei Sharp"' '"MS Shell Dlg 2"="WenQuanYi Zen Hei Sharp"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
    '[HKEY_LOCAL_MACHINE\Software\Wine\Ports]' $(wine_env_port_values) '' |
    iconv -f UTF-8 -t UTF-16 > "$reg"
  cp "$reg" "$WINEPREFIX/drive_c/fonts.reg"
  wine regedit /S 'C:\fonts.reg' >/dev/null 2>&1 || true
  rm -f "$reg" "$WINEPREFIX/drive_c/fonts.reg"
  wineserver -w
}

# wine_env_make_template DIR: a prefix to copy (DIZAVOZI_WINE_TEMPLATE), made
# in DIR and left with no Wine process running.
wine_env_make_template() {
  (
    export WINEPREFIX=$1
    export LANG=${DIZAVOZI_WINE_LANG:-zh_CN.UTF-8}
    export LC_ALL=$LANG
    mkdir -p "$WINEPREFIX/home"
    export HOME=$WINEPREFIX/home
    unset DIZAVOZI_WINE_TEMPLATE
    wine_env_start_display
    wine_env_make_prefix
    wine_env_stop_display
    # Links inside the prefix (the user's folders lead to its HOME) made
    # relative, so that a copy anywhere leads to its own.
    local link target
    while IFS= read -r -d '' link; do
      target=$(readlink "$link")
      case $target in
        "$WINEPREFIX"/*) ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$target")" "$link" ;;
      esac
    done < <(find "$WINEPREFIX" -type l -print0)
  )
}

wine_env_start() {
  export WINEPREFIX=$1
  export LANG=${DIZAVOZI_WINE_LANG:-zh_CN.UTF-8}
  export LC_ALL=$LANG
  mkdir -p "$WINEPREFIX/home"
  export HOME=$WINEPREFIX/home
  wine_env_start_display
  [ -f "$WINEPREFIX/system.reg" ] || wine_env_make_prefix
  # The serial and printer ports lead to plain files of the prefix: a
  # program that opens "COM1" or "LPT1" by mistake writes there, never to a
  # device of the machine.
  mkdir -p "$WINEPREFIX/devices"
  local port
  for port in com1 com2 com3 com4 com5 com6 com7 com8 com9 lpt1 lpt2 lpt3 lpt4 lpt5 lpt6 lpt7 lpt8 lpt9; do
    : >> "$WINEPREFIX/devices/$port"
    ln -sfn "$WINEPREFIX/devices/$port" "$WINEPREFIX/dosdevices/$port"
  done
  wineserver -p
  # Start Wine's own service processes now, with their output going nowhere:
  # started by the first test program they would inherit its output pipes and
  # keep CTest waiting for the pipes to close.
  wine wineboot >/dev/null 2>&1 </dev/null || true
  # Likewise the desktop process, which the first program that makes a window
  # would start: it lives as long as windows keep coming, and with CTest's
  # pipes in its hands it holds every later test open until the timeout.
  (wine explorer.exe /desktop >/dev/null 2>&1 </dev/null &)
  for _ in $(seq 50); do
    pgrep -f 'explorer.exe /desktop' >/dev/null && break
    sleep 0.1
  done
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
  wine_env_stop_display
}
