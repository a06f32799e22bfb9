#!/usr/bin/env bash
# The folder a Windows install of Dimrix holds: its programs, the Qt plugins they load,
# every DLL those import that Windows does not bring (followed from import to import),
# and the texts that go with them. Debian has no windeployqt; the PE import tables say
# what a program loads.
#
#   windows-deploy.sh assemble --dest DIR --dlls DIR... --plugins DIR --plugin PATH... \
#       [--doc FILE]... -- PROGRAM.exe...
#   windows-deploy.sh check DIR
#
#   assemble   makes DIR afresh: the programs, the plugins (PATH under --plugins, e.g.
#              platforms/qwindows.dll, kept at that place under DIR), the DLLs found in
#              the --dlls folders, all stripped, and each --doc with Windows line ends;
#              then checks DIR as `check` does
#   check      fails unless every program and plugin under DIR imports only DLLs that are
#              in DIR itself or part of Windows, and every DLL in DIR is imported by one
#              of them; prints the DLLs
#
# Tools: x86_64-w64-mingw32-objdump and -strip, or OBJDUMP and STRIP.
set -euo pipefail

objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
strip=${STRIP:-x86_64-w64-mingw32-strip}
usage="usage: windows-deploy.sh assemble --dest DIR --dlls DIR... --plugins DIR --plugin PATH... [--doc FILE]... -- PROGRAM.exe...
       windows-deploy.sh check DIR"

# The DLLs every Windows has (matched without regard to case): what Qt, the MinGW runtime
# and the programs import from the system, and the API sets that stand for parts of it.
system_dlls=(
  advapi32 authz bcrypt comctl32 comdlg32 crypt32 d2d1 d3d11 d3d12 d3d9 dcomp dnsapi
  dwmapi dwrite dxgi gdi32 imm32 iphlpapi kernel32 mpr msvcrt mswsock netapi32 ntdll ole32
  oleaut32 opengl32 secur32 setupapi shcore shell32 shlwapi user32 userenv uxtheme
  version winhttp winmm winspool ws2_32 wtsapi32
)
system_patterns=('api-ms-win-*' 'ext-ms-win-*')

lower() { tr '[:upper:]' '[:lower:]' <<<"$1"; }

is_system() {
  local name pattern
  name=$(lower "$1")
  for pattern in "${system_dlls[@]/%/.dll}" "${system_patterns[@]}"; do
    # shellcheck disable=SC2053  # a pattern on purpose
    [[ $name == $pattern ]] && return 0
  done
  return 1
}

imports() {
  "$objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r'
}

# The file in folder $2 named $1 without regard to case; nothing when there is none.
file_in() {
  find "$2" -maxdepth 1 -type f -iname "$1" -print -quit
}

check() {
  local dir=$1 file dll failed=0
  local -A imported=()
  [[ -d $dir ]] || { echo "windows-deploy.sh: no folder $dir" >&2; return 1; }
  while IFS= read -r -d '' file; do
    while IFS= read -r dll; do
      is_system "$dll" && continue
      imported[$(lower "$dll")]=1
      if [[ -z $(file_in "$dll" "$dir") ]]; then
        echo "windows-deploy.sh: ${file#"$dir"/} imports $dll, which is neither in $dir nor part of Windows" >&2
        failed=1
      fi
    done < <(imports "$file")
  done < <(find "$dir" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0)
  # Loaded from the folder by name, not imported: each stays only if something needs it.
  while IFS= read -r -d '' file; do
    dll=$(basename "$file")
    if [[ -z ${imported[$(lower "$dll")]:-} ]]; then
      echo "windows-deploy.sh: $dll is in $dir but nothing there imports it" >&2
      failed=1
    fi
  done < <(find "$dir" -maxdepth 1 -type f -iname '*.dll' -print0)
  ((failed == 0)) || return 1
  echo "windows-deploy.sh: every import under $dir is there or part of Windows; its DLLs:"
  find "$dir" -maxdepth 1 -type f -iname '*.dll' -printf '  %f\n' | sort -f
}

assemble() {
  local dest="" plugins="" dlls=() plugin_paths=() docs=()
  while (($# > 0)); do
    case $1 in
      --dest) dest=$2; shift 2 ;;
      --dlls) dlls+=("$2"); shift 2 ;;
      --plugins) plugins=$2; shift 2 ;;
      --plugin) plugin_paths+=("$2"); shift 2 ;;
      --doc) docs+=("$2"); shift 2 ;;
      --) shift; break ;;
      *) echo "$usage" >&2; return 2 ;;
    esac
  done
  [[ -n $dest && -n $plugins && $# -gt 0 ]] || { echo "$usage" >&2; return 2; }

  rm -rf "$dest"
  mkdir -p "$dest"
  local queue=() program path doc
  for program in "$@"; do
    [[ -f $program ]] || { echo "windows-deploy.sh: no program $program" >&2; return 1; }
    cp "$program" "$dest/"
    "$strip" --strip-all "$dest/$(basename "$program")"
    queue+=("$dest/$(basename "$program")")
  done
  for path in "${plugin_paths[@]}"; do
    [[ -f $plugins/$path ]] || { echo "windows-deploy.sh: no plugin $plugins/$path" >&2; return 1; }
    mkdir -p "$dest/$(dirname "$path")"
    cp "$plugins/$path" "$dest/$path"
    "$strip" --strip-unneeded "$dest/$path"
    queue+=("$dest/$path")
  done

  # Each DLL found is itself looked into, until nothing new turns up.
  local i dll dir found
  for ((i = 0; i < ${#queue[@]}; i++)); do
    while IFS= read -r dll; do
      if is_system "$dll" || [[ -n $(file_in "$dll" "$dest") ]]; then
        continue
      fi
      found=""
      for dir in "${dlls[@]}"; do
        found=$(file_in "$dll" "$dir")
        [[ -n $found ]] && break
      done
      if [[ -z $found ]]; then
        echo "windows-deploy.sh: ${queue[i]#"$dest"/} imports $dll, found in none of: ${dlls[*]}" >&2
        return 1
      fi
      cp "$found" "$dest/"
      "$strip" --strip-unneeded "$dest/$(basename "$found")"
      queue+=("$dest/$(basename "$found")")
    done < <(imports "${queue[i]}")
  done

  # Notepad before Windows 10 shows a text without carriage returns as one line.
  for doc in "${docs[@]}"; do
    sed 's/\r*$/\r/' "$doc" >"$dest/$(basename "$doc")"
  done
  check "$dest"
}

case ${1:-} in
  assemble) shift; assemble "$@" ;;
  check) (($# == 2)) || { echo "$usage" >&2; exit 2; }; check "$2" ;;
  *) echo "$usage" >&2; exit 2 ;;
esac
