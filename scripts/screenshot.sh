#!/usr/bin/env bash
# Runs Dimrix or its bus monitor on a private X server (Xvfb) and saves a PNG of its
# window, for the README and for machines without a display. The monitor runs on a
# virtual line, fed a few boards' worth of frames as a panel sends them.
#
#   scripts/screenshot.sh PROGRAM OUTPUT.png      (make screenshot: build/dimrix, docs/dimrix.png,
#                                                  build/dimrix-monitor, docs/dimrix-monitor.png)
set -euo pipefail

program=${1:?usage: screenshot.sh PROGRAM OUTPUT.png}
output=${2:?usage: screenshot.sh PROGRAM OUTPUT.png}
title=Dimrix
arguments=()
monitor=0
if [[ $(basename "$program") == dimrix-monitor ]]; then
  title="Dimrix Monitor"
  arguments=(--virtual)
  monitor=1
fi
deadline=20   # seconds to wait for the server and for the window

for tool in Xvfb xwininfo import; do
  if ! command -v "$tool" >/dev/null; then
    echo "screenshot.sh: $tool is missing; 'scripts/install-deps.sh screenshot' installs it" >&2
    exit 1
  fi
done
[[ -x $program ]] || { echo "screenshot.sh: no program at $program; run 'make build'" >&2; exit 1; }

source "$(dirname "$0")/xvfb-session.sh"
start_xvfb screenshot.sh
display=$DISPLAY

DISPLAY=$display QT_QPA_PLATFORM=xcb "$program" "${arguments[@]}" >"$workdir/stdout" &
program_pid=$!

# byte VALUE...: the values as raw bytes on standard output.
bytes() {
  local value escaped=""
  for value in "$@"; do
    escaped+=$(printf '\\x%02x' "$value")
  done
  printf '%b' "$escaped"
}

if ((monitor)); then
  for ((tries = 0; tries < deadline * 10; tries++)); do
    [[ -s $workdir/stdout ]] && break
    sleep 0.1
  done
  line=$(head -n 1 "$workdir/stdout")
  [[ $line == /dev/* ]] || { echo "screenshot.sh: the monitor printed no virtual line" >&2; exit 1; }
  # A preset, then every third board set to a ramp; a fade on board 140 follows once the
  # window is up.
  {
    bytes 113 255
    for ((board = 128; board <= 158; board += 3)); do
      levels=()
      for ((channel = 0; channel < 8; channel++)); do
        levels+=($(((board * 7 + channel * 13) % 101)))
      done
      bytes "$board" "${levels[@]}" 255
    done
  } >"$line"
fi

window=""
for ((tries = 0; tries < deadline * 10; tries++)); do
  info=$(xwininfo -display "$display" -name "$title" 2>/dev/null || true)
  if grep -q 'Map State: IsViewable' <<<"$info"; then
    window=$(sed -n 's/.*Window id: \(0x[0-9a-fA-F]*\).*/\1/p' <<<"$info")
    break
  fi
  sleep 0.1
done
[[ -n $window ]] || { echo "screenshot.sh: no $title window appeared" >&2; exit 1; }

# Mapped is not yet painted: give the first paint a moment before taking the picture.
sleep 1
if ((monitor)); then
  # Board 140 fading up, as the panel sends it: caught while marked, with the line busy.
  for ((level = 0; level <= 80; level += 2)); do
    bytes 140 100 90 80 70 "$level" "$level" 40 30 255 >"$line"
    sleep 0.02
  done
fi
mkdir -p "$(dirname "$output")"
import -display "$display" -window "$window" "$output"
echo "Saved $(xwininfo -display "$display" -id "$window" | sed -n 's/.*Width: *//p')x$(xwininfo -display "$display" -id "$window" | sed -n 's/.*Height: *//p') window to $output"
