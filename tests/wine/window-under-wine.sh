#!/usr/bin/env bash
# Starts dimrix.exe under Wine on a private X server, waits for its window titled
# "Dimrix", asks it to close the way Windows does (WM_CLOSE, which taskkill without /F
# sends), and expects the program to end with status 0.
#
#   window-under-wine.sh PROGRAM.exe RUN...      RUN: scripts/wine-run.sh and its options, up to --
set -euo pipefail

program=${1:?usage: window-under-wine.sh PROGRAM.exe RUN...}
shift
run=("$@")
title=Dimrix
deadline=60   # seconds for each wait: the server, the window, the exit

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || {
    echo "window-under-wine.sh: $tool is missing; 'scripts/install-deps.sh windows' installs it" >&2
    exit 1
  }
done

source "$(dirname "$0")/../../scripts/xvfb-session.sh"

# Waits until "$@" succeeds, for at most $deadline seconds.
wait_for() {
  local what=$1
  shift
  local until=$((SECONDS + deadline))
  until "$@"; do
    if ((SECONDS >= until)); then
      echo "window-under-wine.sh: no $what within $deadline s" >&2
      return 1
    fi
    sleep 0.2
  done
}

start_xvfb window-under-wine.sh

"${run[@]}" "$program" >"$workdir/program.log" 2>&1 &
program_pid=$!

window_shown() {
  kill -0 "$program_pid" 2>/dev/null || {
    echo "window-under-wine.sh: $program ended before showing its window:" >&2
    cat "$workdir/program.log" >&2
    exit 1
  }
  xdotool search --onlyvisible --name "^$title\$" >/dev/null 2>&1
}
if ! wait_for "window titled $title" window_shown; then
  echo "window-under-wine.sh: the windows on $DISPLAY:" >&2
  xwininfo -root -tree | grep -E '^ +0x' | grep -v '(has no name)' >&2 || true
  cat "$workdir/program.log" >&2
  exit 1
fi
echo "window-under-wine.sh: the window $title is shown on $DISPLAY"

"${run[@]}" taskkill /IM "$(basename "$program")"

status=0
exited() { ! kill -0 "$program_pid" 2>/dev/null; }
wait_for "exit after the close request" exited
wait "$program_pid" || status=$?
program_pid=""
if ((status != 0)); then
  echo "window-under-wine.sh: $program ended with status $status after the close request:" >&2
  cat "$workdir/program.log" >&2
  exit 1
fi
echo "window-under-wine.sh: closed by WM_CLOSE, status 0"
