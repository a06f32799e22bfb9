#!/usr/bin/env bash
# Draws the installed icons from the pixel-art designs, resources/dimrix.xpm for the panel
# and resources/dimrix-monitor.xpm for the bus monitor (32 x 32, also compiled into the
# windows), and resources/dimrix-bridge.xpm for the bridge (its Windows icon only: it has
# no window and no desktop entry): a scalable SVG with one square per pixel, and PNGs for
# the hicolor theme. 64, 128 and 256 px are whole multiples of the design; 32 is the
# design itself; 48 repeats every other pixel (nearest neighbour), the closest a 48 px
# grid gets to it. For Windows, one .ico per program (packaging/windows/<program>.ico, the
# design's file name) holds 16, 32, 48 and 256 px drawn the same way; windres puts it into
# the .exe. The output is committed; run this again after changing the design.
#
# Needs ImageMagick's convert (installed by 'scripts/install-deps.sh screenshot').
set -euo pipefail
cd "$(dirname "$0")/.."

out=packaging/icons/hicolor
windows=packaging/windows
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# draw DESIGN APP_ID
draw() {
local design=$1 app_id=$2
mkdir -p "$out/scalable/apps"
# Each run of same-coloured pixels in a row becomes one rectangle; "None" stays empty.
awk -v id="$app_id" '
  /^"/ {
    line = $0
    sub(/^"/, "", line); sub(/",?$/, "", line)
    if (!header) {
      split(line, h, " "); width = h[1]; height = h[2]; colours = h[3]; header = 1
      printf "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      printf "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" ", width, height
      printf "viewBox=\"0 0 %d %d\" shape-rendering=\"crispEdges\">\n", width, height
      printf "  <title>%s</title>\n", id
      next
    }
    if (colours > 0) {
      key = substr(line, 1, 1); value = line; sub(/^. +c +/, "", value)
      colour[key] = value; colours--
      next
    }
    n = length(line)
    for (x = 1; x <= n; ) {
      c = substr(line, x, 1); run = 1
      while (x + run <= n && substr(line, x + run, 1) == c) run++
      if (colour[c] != "None")
        printf "  <rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"1\" fill=\"%s\"/>\n", x - 1, row, run, colour[c]
      x += run
    }
    row++
  }
  END { print "</svg>" }' "$design" >"$out/scalable/apps/$app_id.svg"

for size in 32 48 64 128 256; do
  mkdir -p "$out/${size}x${size}/apps"
  convert "$design" -filter point -resize "${size}x${size}" -strip \
    -define png:exclude-chunks=date,time "PNG32:$out/${size}x${size}/apps/$app_id.png"
done

draw_ico "$design"
}

# draw_ico DESIGN: the Windows icon only, for a program with no desktop entry.
draw_ico() {
local design=$1 program frames=()
program=$(basename "$design" .xpm)
for size in 16 32 48 256; do
  convert "$design" -filter point -resize "${size}x${size}" -strip \
    -define png:exclude-chunks=date,time "PNG32:$work/$size.png"
  frames+=("$work/$size.png")
done
mkdir -p "$windows"
convert "${frames[@]}" -strip "$windows/$program.ico"
}

draw resources/dimrix.xpm io.github.dimrix.Dimrix
draw resources/dimrix-monitor.xpm io.github.dimrix.DimrixMonitor
draw_ico resources/dimrix-bridge.xpm
echo "Icons written under $out/ and $windows/"
