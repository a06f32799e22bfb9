#!/usr/bin/env bash
# Finds the Qt for Windows (MinGW-w64) that a Windows build is made against, unpacking it
# into the build tree when it comes as an archive, and prints its folder.
#
#   scripts/qt-mingw.sh BUILD_DIR
#
# DIMRIX_QT_MINGW names the archive (qt-6.4.2-mingw-w64.tar.xz) or an unpacked folder;
# by default the archive in ../shared/toolchains/ beside the repository.
set -euo pipefail

build_dir=${1:?usage: qt-mingw.sh BUILD_DIR}
repo=$(cd "$(dirname "$0")/.." && pwd)
source=${DIMRIX_QT_MINGW:-$repo/../shared/toolchains/qt-6.4.2-mingw-w64.tar.xz}

if [[ -d $source ]]; then
  [[ -d $source/lib/cmake/Qt6 ]] || {
    echo "qt-mingw.sh: $source holds no Qt (no lib/cmake/Qt6)" >&2
    exit 1
  }
  cd "$source" && pwd
  exit 0
fi
if [[ ! -f $source ]]; then
  echo "qt-mingw.sh: no Windows Qt at $source; get qt-6.4.2-mingw-w64.tar.xz (built by build-qt-mingw.sh, see docs/windows.md) and set DIMRIX_QT_MINGW to it" >&2
  exit 1
fi

# Unpacked again only when the archive changes.
target=$build_dir/qt6-mingw
stamp=$target/.unpacked-from
if [[ ! -f $stamp || $(<"$stamp") != "$(stat -c '%s %Y' "$source")" ]]; then
  rm -rf "$target"
  mkdir -p "$build_dir"
  tar -xJf "$source" -C "$build_dir"
  [[ -d $target/lib/cmake/Qt6 ]] || {
    echo "qt-mingw.sh: $source does not unpack to a qt6-mingw folder with Qt in it" >&2
    exit 1
  }
  stat -c '%s %Y' "$source" >"$stamp"
fi
cd "$target" && pwd
