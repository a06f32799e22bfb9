#!/usr/bin/env bash
# Runs the Windows build's fade-clock bench under Wine with COM1 mapped to a
# pseudo-terminal whose far end is read and thrown away, then maps COM1 back to no
# device. Prints the bench's row; its figures go to JSON-FILE.
#
#   bench-under-wine.sh JSON-FILE PROGRAM.exe RUN...    RUN: scripts/wine-run.sh and its
#                                                       options, up to --
set -euo pipefail

usage="usage: bench-under-wine.sh JSON-FILE PROGRAM.exe RUN..."
json=${1:?$usage}
program=${2:?$usage}
shift 2
run=("$@")
((${#run[@]} > 0)) || { echo "$usage" >&2; exit 2; }
source "$(dirname "$0")/../tests/wine/pty-line.sh"
timeout=120   # seconds: Wine's start and three fades take a fraction of it

workdir=$(mktemp -d)
cleanup() {
  pty_line_close
  rm -rf "$workdir"
}
trap cleanup EXIT

# Reads whatever arrives, so the panel's bytes never back up in the pseudo-terminal.
pty_line_open "$workdir/capture" 0 "$timeout"

# wine-run.sh's options end with "--"; COM1 goes in front of it.
status=0
"${run[@]:0:${#run[@]}-1}" --com1 "$pty_line_device" -- "$program" "$json" 2>"$workdir/detail" || status=$?
# The pseudo-terminal goes, and its number may go to someone's terminal next.
"${run[@]}" cmd.exe /c exit 0 >/dev/null
grep -v -e 'wine32' -e 'multiarch' -e 'dpkg --add-architecture' -e 'apt-get install wine32' \
  "$workdir/detail" >&2 || true
exit "$status"
