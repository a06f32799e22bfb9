#!/usr/bin/env bash
# Starts dimrix.exe under Wine on a private X server, waits for its window titled
# "Dimrix", asks it to close the way Windows does (WM_CLOSE, which taskkill without /F
# sends), and expects the program to end with status 0.
#
#   window-under-wine.sh [--com1-carries "BYTES" | --com1-lost-reports "TEXT"] PROGRAM.exe RUN...
#
#   RUN            scripts/wine-run.sh and its options, up to --
#   --com1-carries COM1 is mapped to a pseudo-terminal, and once the window is shown GO
#                  and All OFF are pressed on it from the keyboard, as an operator would
#                  (focus starts on COM1; Tab, Space on GO; Tab, Space on All OFF); the
#                  far end must read exactly BYTES ("110 255") by the time it has closed.
#   --com1-lost-reports
#                  COM1 is mapped to a pseudo-terminal; GO is pressed, and once the
#                  program holds the device, the far end is closed, as when an adapter is
#                  unplugged. All OFF is pressed then, and the report box that shows up
#                  must say TEXT ("Error number: 8022") on a line of its own: the box's
#                  text is copied as Windows copies a message box's, with Ctrl+C, and
#                  read back from the X clipboard Wine hands it to. Enter closes the box.
#   PROGRAM.exe    a Unix path, or a Windows one ('C:\Program Files\Dimrix\dimrix.exe')
set -euo pipefail

usage='usage: window-under-wine.sh [--com1-carries "BYTES" | --com1-lost-reports "TEXT"] PROGRAM.exe RUN...'
expected=""
report=""
case ${1:-} in
  --com1-carries) expected=${2:?$usage}; shift 2 ;;
  --com1-lost-reports) report=${2:?$usage}; shift 2 ;;
esac
program=${1:?$usage}
shift
run=("$@")
((${#run[@]} > 0)) || { echo "$usage" >&2; exit 2; }
here=$(dirname "$0")
image=${program##*[/\\]}
title=Dimrix
deadline=60   # seconds for each wait: the server, the window, the bytes, the exit

tools=(Xvfb xdotool)
[[ -z $report ]] || tools+=(xclip)
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || {
    echo "window-under-wine.sh: $tool is missing; 'scripts/install-deps.sh windows' installs it" >&2
    exit 1
  }
done

source "$here/../../scripts/xvfb-session.sh"

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

# The far end of COM1, read for as many bytes as are expected (none when the far end is
# to go away). wine-run.sh's options end with "--"; COM1 goes in front of it.
source "$here/pty-line.sh"
if [[ -n $expected || -n $report ]]; then
  read -ra want <<<"$expected"
  pty_line_open "$workdir/capture" "${#want[@]}" "$((deadline * 2))"
  run=("${run[@]:0:${#run[@]}-1}" --com1 "$pty_line_device" --)
fi
trap 'pty_line_close; cleanup' EXIT

"${run[@]}" "$program" >"$workdir/program.log" 2>&1 &
program_pid=$!

# The windows titled $title that are shown: the panel's, and a report box's.
shown_windows() { xdotool search --onlyvisible --name "^$title\$" 2>/dev/null || true; }
window_shown() {
  kill -0 "$program_pid" 2>/dev/null || {
    echo "window-under-wine.sh: $program ended before showing its window:" >&2
    cat "$workdir/program.log" >&2
    exit 1
  }
  [[ -n $(shown_windows) ]]
}
if ! wait_for "window titled $title" window_shown; then
  echo "window-under-wine.sh: the windows on $DISPLAY:" >&2
  xwininfo -root -tree | grep -E '^ +0x' | grep -v '(has no name)' >&2 || true
  cat "$workdir/program.log" >&2
  exit 1
fi
echo "window-under-wine.sh: the window $title is shown on $DISPLAY"
window=$(shown_windows | head -n 1)

if [[ -n $expected ]]; then
  # No window manager runs on the server: the window is given the keyboard by hand.
  xdotool windowfocus --sync "$window"
  xdotool key --delay 100 Tab space Tab space
  echo "window-under-wine.sh: pressed GO and All OFF"
fi

if [[ -n $report ]]; then
  xdotool windowfocus --sync "$window"
  xdotool key --delay 100 Tab space
  echo "window-under-wine.sh: pressed GO"
  # Open: a process other than the capture holds the device end.
  holds_slave() {
    local fd
    for fd in /proc/[0-9]*/fd/*; do
      [[ $fd == /proc/$pty_line_pid/* ]] && continue
      [[ $(readlink "$fd" 2>/dev/null) == "$pty_line_device" ]] && return 0
    done
    return 1
  }
  wait_for "open of $pty_line_device" holds_slave
  # The master and the capture's own hold on the device end go together: the device end
  # hangs up, as a tty whose adapter was pulled does.
  pty_line_close
  echo "window-under-wine.sh: the far end of COM1 ($pty_line_device) is closed"
  xdotool windowfocus --sync "$window"
  xdotool key --delay 100 Tab space
  echo "window-under-wine.sh: pressed All OFF"
  box_shown() { [[ -n $(shown_windows | grep -vx "$window") ]]; }
  if ! wait_for "report box" box_shown; then
    cat "$workdir/program.log" >&2
    exit 1
  fi
  box=$(shown_windows | grep -vx "$window" | head -n 1)
  xdotool windowfocus --sync "$box"
  xdotool key ctrl+c
  copied() { xclip -o -selection clipboard >"$workdir/report" 2>/dev/null && [[ -s $workdir/report ]]; }
  wait_for "text copied from the report box" copied
  tr -d '\r' <"$workdir/report" >"$workdir/report.text"
  echo "window-under-wine.sh: the report box says: $(grep -v '^---' "$workdir/report.text" | tr '\n' ' ')"
  if ! grep -qxF -- "$report" "$workdir/report.text"; then
    echo "window-under-wine.sh: expected a report saying $report" >&2
    cat "$workdir/program.log" >&2
    exit 1
  fi
  xdotool key Return
  box_closed() { [[ -z $(shown_windows | grep -vx "$window") ]]; }
  wait_for "report box closing" box_closed
fi

"${run[@]}" taskkill /IM "$image"

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

if [[ -n $expected ]]; then
  # Closing lets out what the port still held; the capture ends once it has them all.
  pty_line_wait
fi
if [[ -n $expected || -n $report ]]; then
  # The pseudo-terminal is gone, and its number may go to someone's terminal next: COM1
  # is mapped back to no device before the prefix is left.
  "${run[@]:0:${#run[@]}-3}" -- cmd.exe /c exit 0 >/dev/null
fi
if [[ -n $expected ]]; then
  got=$(sed -n 2p "$workdir/capture")
  echo "window-under-wine.sh: COM1 ($pty_line_device) carried: $got"
  if [[ $got != "$expected" ]]; then
    echo "window-under-wine.sh: expected $expected on COM1" >&2
    cat "$workdir/program.log" >&2
    exit 1
  fi
fi
