#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own; CTest puts it in front of each
# test program of a Windows build (CMAKE_CROSSCOMPILING_EMULATOR).
#
#   scripts/wine-run.sh --prefix DIR [--dlls DIR]... [--plugins DIR] \
#       [--com1 DEVICE] [--com2 DEVICE] -- PROGRAM.exe [ARG...]
#
#   --prefix   the Wine prefix; made on first use
#   --dlls     a directory the program loads DLLs from (Qt's bin, the MinGW runtime)
#   --plugins  Qt's plugin directory
#   --com1/2   the Unix device COM1/COM2 stand for (default /dev/null: no serial line)
#
# Wine maps COMn to /dev/ttyS* by itself, and /dev/ttyS0 may carry the build machine's
# kernel console. So before the program starts, COM1 and COM2 are mapped in the prefix's
# registry (HKLM\Software\Wine\Ports), and every other COM link Wine made to a /dev/ttyS*
# device is removed; the program does not start while any COM link still leads there.
set -euo pipefail

usage="usage: wine-run.sh --prefix DIR [--dlls DIR]... [--plugins DIR] [--com1 DEV] [--com2 DEV] -- PROGRAM [ARG...]"
prefix=""
dlls=()
plugins=""
com1=/dev/null
com2=/dev/null
while (($# > 0)); do
  case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --dlls) dlls+=("$2"); shift 2 ;;
    --plugins) plugins=$2; shift 2 ;;
    --com1) com1=$2; shift 2 ;;
    --com2) com2=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done
[[ -n $prefix && $# -gt 0 ]] || { echo "$usage" >&2; exit 2; }

wineserver=$(command -v wineserver || command -v wineserver-stable || echo /usr/lib/wine/wineserver)
export WINEPREFIX=$prefix
export WINEDEBUG=-all
# Wine's Mono and Gecko are not needed, and asking for them would open a dialog. Nor is
# winemenubuilder, which Wine starts in the background for every shortcut an installer
# makes: it opens the programs to draw their icons while the caller goes on (installing
# over them, removing them), and it writes menu entries and icons into the build user's
# home folder, outside the prefix.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
path=""
for dir in "${dlls[@]}"; do
  path+="${path:+;}Z:$dir"
done
# Without --dlls and --plugins a program finds only what its own folder holds, as an
# installed one must: nothing from the caller's environment helps it.
if [[ -n $path ]]; then
  export WINEPATH=$path
else
  unset WINEPATH
fi
if [[ -n $plugins ]]; then
  export QT_PLUGIN_PATH="Z:$plugins"
else
  unset QT_PLUGIN_PATH
fi

ports_key='HKLM\Software\Wine\Ports'

# COM links into /dev/ttyS*: none may be left once the session is up.
serial_links() {
  local link
  for link in "$prefix"/dosdevices/com*; do
    [[ -L $link ]] || continue
    if [[ $(readlink "$link") == /dev/ttyS* ]]; then
      echo "$link"
    fi
  done
}

# Prefix creation and session start-up are shared by programs that CTest may run side by
# side: one at a time. Whatever Wine leaves running (its server, services) gets neither the
# lock nor the caller's output, which CTest would otherwise wait on until they end.
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
: >"$prefix.log"
quietly() {
  "$@" </dev/null >>"$prefix.log" 2>&1 9>&-
}

if [[ ! -f $prefix/.dimrix-ready ]]; then
  rm -rf "$prefix"
  mkdir -p "$prefix"
  quietly wineboot --init || { cat "$prefix.log" >&2; exit 1; }
  quietly "$wineserver" -w
  rm -f "$prefix"/dosdevices/com*
  touch "$prefix/.dimrix-ready"
fi

# The mapping is read when a session starts; a session already up with another mapping is
# ended first.
mapped() {
  [[ $(readlink "$prefix/dosdevices/com1" 2>/dev/null) == "$com1" &&
    $(readlink "$prefix/dosdevices/com2" 2>/dev/null) == "$com2" ]]
}
if ! mapped; then
  quietly "$wineserver" -k || true
  quietly "$wineserver" -w
  rm -f "$prefix"/dosdevices/com*
  for port in 1 2; do
    device=com$port
    quietly wine reg add "$ports_key" /v "COM$port" /t REG_SZ /d "${!device}" /f
  done
  quietly "$wineserver" -w
fi

# A session started without a display (the test programs) has no window system for a
# program that wants one, and the reverse: a session is kept only for the same display.
session_display=$prefix.display
if [[ ! -f $session_display || $(<"$session_display") != "${DISPLAY:-}" ]]; then
  quietly "$wineserver" -k || true
  quietly "$wineserver" -w
  printf '%s' "${DISPLAY:-}" >"$session_display"
fi
# The session's start-up (services, the mount manager that makes the COM links) runs
# before the program: then the links are all there to be checked. A server already up
# for this prefix says so and stays.
quietly "$wineserver" -p5 || true
quietly wine cmd.exe /c exit 0
while read -r link; do
  rm -f "$link"
done < <(serial_links)
if [[ -n $(serial_links) ]] || ! mapped; then
  echo "wine-run.sh: the COM ports of $prefix still lead to /dev/ttyS*, not starting $1" >&2
  ls -l "$prefix/dosdevices" >&2
  exit 1
fi
flock -u 9
exec 9>&-

exec wine "$@"
