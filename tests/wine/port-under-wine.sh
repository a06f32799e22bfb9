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

workdir=$(mktemp -d)
capture_pid=""
cleanup() {
  if [[ -n $capture_pid ]]; then
    kill "$capture_pid" 2>/dev/null || true
    wait "$capture_pid" 2>/dev/null || true
  fi
  rm -rf "$workdir"
}
trap cleanup EXIT

read -ra want <<<"$expected"
: >"$workdir/capture"
perl "$here/pty-capture.pl" "${#want[@]}" "$deadline" >"$workdir/capture" &
capture_pid=$!
until [[ $(wc -l <"$workdir/capture") -ge 1 ]]; do
  kill -0 "$capture_pid" 2>/dev/null || { echo "port-under-wine.sh: no pseudo-terminal" >&2; exit 1; }
  sleep 0.1
done
slave=$(head -n 1 "$workdir/capture")

# wine-run.sh's options end with "--"; COM1 goes in front of it.
status=0
"${run[@]:0:${#run[@]}-1}" --com1 "$slave" -- "$program" || status=$?
wait "$capture_pid" || true
capture_pid=""
# The pseudo-terminal is gone, and its number may go to someone's terminal next: COM1 is
# mapped back to no device before the prefix is left.
"${run[@]}" cmd.exe /c exit 0 >/dev/null
got=$(sed -n 2p "$workdir/capture")
echo "port-under-wine.sh: COM1 ($slave) carried: $got"
if ((status != 0)); then
  echo "port-under-wine.sh: $program ended with status $status" >&2
  exit 1
fi
if [[ $got != "$expected" ]]; then
  echo "port-under-wine.sh: expected $expected" >&2
  exit 1
fi
