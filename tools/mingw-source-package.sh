# Sourced by the scripts that cross-build a static library for a Windows tree
# from a Debian source package. After
#   mingw_source_package SCRIPT ARCH SOURCE_PACKAGE NAME LIBRARY HEADER
# (ARCH i686 or x86_64; LIBRARY and HEADER the files a finished build has in
# prefix/lib and prefix/include) the caller is in a fresh work folder holding
# the unpacked sources in src/, with $root, $arch, $prefix and $work set; it
# builds, copies into $prefix and calls mingw_source_package_done. When the
# library is already in build/deps/NAME-mingw-ARCH, the calling script ends
# at once.
mingw_source_package() {
  local script=$1 package=$3 name=$4 library=$5 header=$6
  arch=$2
  case $arch in
    i686|x86_64) ;;
    *) echo "usage: $script [i686|x86_64]" >&2; exit 2 ;;
  esac
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  local deps=$root/build/deps
  prefix=$deps/$name-mingw-$arch
  if [ -f "$prefix/lib/$library" ] && [ -f "$prefix/include/$header" ]; then
    exit 0
  fi
  work=$deps/$name-src-$arch
  rm -rf "$work" && mkdir -p "$work"
  cd "$work"
  apt-get source -q --download-only "$package" >/dev/null 2>&1 || apt-get source -q --download-only "$package"
  local dsc
  dsc=$(ls "${package}"_*.dsc | head -n1)
  dpkg-source -x --no-check "$dsc" src >/dev/null
  mkdir -p "$prefix/lib" "$prefix/include"
}

# The work folder goes; the library stays in $prefix.
mingw_source_package_done() {
  cd "$root"
  rm -rf "$work"
  echo "$1 for MinGW $arch: $prefix"
}
