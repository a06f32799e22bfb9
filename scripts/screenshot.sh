#!/usr/bin/env bash
# Runs Dimrix on a private X server (Xvfb) and saves a PNG of its window, for the README
# and for machines without a display.
#
#   scripts/screenshot.sh PROGRAM OUTPUT.png      (make screenshot: build/dimrix, docs/dimrix.png)
set -euo pipefail

program=${1:?usage: screenshot.sh PROGRAM OUTPUT.png}
output=${2:?usage: screenshot.sh PROGRAM OUTPUT.png}
title=Dimrix
deadline=20   # seconds to wait for the server and for the window

for tool in Xvfb xwininfo import; do
  if ! command -v "$tool" >/dev/null; then
    echo "screenshot.sh: $tool is missing; 'scripts/install-deps.sh screenshot' installs it" >&2
    exit 1
  fi
done
[[ -x $program ]] || { echo "screenshot.sh: no program at $program; run 'make build'" >&2; exit 1; }

workdir=$(mktemp -d)
server_pid=""
program_pid=""
cleanup() {
  local pid
  for pid in $program_pid $server_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$workdir"
}
trap cleanup EXIT

# With -displayfd the server takes the first free display number itself and writes it
# out once it accepts connections. 96 dpi: the size the window was designed at.
Xvfb -displayfd 3 -noreset -nolisten tcp -dpi 96 -screen 0 1280x1024x24 3>"$workdir/display" 2>/dev/null &
server_pid=$!
for ((tries = 0; tries < deadline * 10; tries++)); do
  [[ -s $workdir/display ]] && break
  sleep 0.1
done
[[ -s $workdir/display ]] || { echo "screenshot.sh: Xvfb did not start" >&2; exit 1; }
display=":$(head -n 1 "$workdir/display")"

DISPLAY=$display QT_QPA_PLATFORM=xcb "$program" &
program_pid=$!

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
mkdir -p "$(dirname "$output")"
import -display "$display" -window "$window" "$output"
echo "Saved $(xwininfo -display "$display" -id "$window" | sed -n 's/.*Width: *//p')x$(xwininfo -display "$display" -id "$window" | sed -n 's/.*Height: *//p') window to $output"
