#!/bin/bash
# Installs every package the project needs on a Debian 12 machine (run as root).
# Safe to run again: it installs only what is missing and returns quickly when
# nothing is.
set -euo pipefail

packages=(
  # native build and tests
  build-essential cmake ninja-build pkg-config
  zlib1g-dev libjpeg62-turbo-dev libdeflate-dev libgtest-dev googletest
  # libFuzzer targets and their sanitizer runtime
  clang libclang-rt-14-dev
  # Windows builds: MinGW-w64 i686 (the program we ship) and x86-64 (the
  # same sources, for machines whose Wine runs only 64-bit programs), with
  # posix threads; zlib for MinGW (both architectures)
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev
  # running and looking at the Windows programs: the 64-bit Wine always, the
  # 32-bit one where the machine can run it (added below)
  wine wine64 xvfb fonts-wqy-zenhei
  # screenshots of the running installer, and PNG test pictures written by
  # another tool than ours
  imagemagick
  # xwininfo: tools/run-installer.sh waits for the installer window in Xvfb
  x11-utils
  # signing the installer and the uninstaller it carries (the packer runs
  # osslsigncode; the tests make their throwaway certificate with openssl)
  osslsigncode openssl
  # peers for the archive cross-checks and benchmarks
  zip unzip p7zip-full
  # the extraction benchmark's corpus generator and driver scripts
  python3
  # cross-building libjpeg-turbo and libdeflate from Debian's source packages
  dpkg-dev
  # the locales Wine takes its code pages from: zh_CN.UTF-8 gives code page
  # 936 (the product's home), en_US.UTF-8 the Western 1252
  locales
)

if [ "$(id -u)" != 0 ]; then
  echo "install-deps: run as root (or through sudo)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive

# Debian's 32-bit Wine needs a kernel that starts 32-bit programs; where it
# cannot, the Windows programs are tested in the x86-64 tree instead.
changed=0
if bash "$(dirname "$0")/machine-runs-32bit.sh"; then
  packages+=(wine32)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    changed=1
  fi
fi

# Source entries for `apt-get source libjpeg-turbo` and `apt-get source libdeflate`.
src=/etc/apt/sources.list.d/dizavozi-src.sources
if [ ! -f "$src" ]; then
  cat > "$src" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  changed=1
fi

missing=()
for p in "${packages[@]}"; do
  name=$p
  case $p in wine32) name=wine32:i386 ;; esac
  if ! dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ] || [ $changed = 1 ]; then
  apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  apt-get install -y -q --no-install-recommends "${missing[@]/wine32/wine32:i386}"
fi

# Wine derives the ANSI and OEM code pages from the locale; without a
# generated locale it falls back to 1252/437.
need_locales=()
for l in zh_CN.UTF-8 en_US.UTF-8; do
  locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" || need_locales+=("$l")
done
if [ ${#need_locales[@]} -gt 0 ]; then
  for l in "${need_locales[@]}"; do
    grep -qx "$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" >> /etc/locale.gen
  done
  locale-gen >/dev/null
fi
