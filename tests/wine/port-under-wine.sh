#!/usr/bin/env bash
# Runs a Windows program under Wine with COM1 mapped to a pseudo-terminal, and checks the
# bytes that reach the pseudo-terminal's far end.
#
#   port-under-wine.sh "EXPECTED BYTES" PROGRAM.exe RUN...    RUN: scripts/wine-run.sh and
#                                                             its options, up to --
set -euo pipefail

expected=${1:?usage: port-under-wine.sh "EXPECTED BYTES" PROGRAM.exe RUN...}
program=${2:?usage: port-under-wine.sh "EXPECTED BYTES" PROGRAM.exe RUN...}
shift 2
run=("$@")
here=$(dirname "$0")
deadline=60   # seconds for Wine to start the program and the bytes to arrive

source "$here/pty-line.sh"

workdir=$(mktemp -d)
cleanup() {
  pty_line_close
  rm -rf "$workdir"
}
trap cleanup EXIT

read -ra want <<<"$expected"
pty_line_open "$workdir/capture" "${#want[@]}" "$deadline"

# wine-run.sh's options end with "--"; COM1 goes in front of it.
status=0
"${run[@]:0:${#run[@]}-1}" --com1 "$pty_line_device" -- "$program" || status=$?
pty_line_wait
# The pseudo-terminal is gone, and its number may go to someone's terminal next: COM1 is
# mapped back to no device before the prefix is left.
"${run[@]}" cmd.exe /c exit 0 >/dev/null
got=$(sed -n 2p "$workdir/capture")
echo "port-under-wine.sh: COM1 ($pty_line_device) carried: $got"
if ((status != 0)); then
  echo "port-under-wine.sh: $program ended with status $status" >&2
  exit 1
fi
if [[ $got != "$expected" ]]; then
  echo "port-under-wine.sh: expected $expected" >&2
  exit 1
fi
