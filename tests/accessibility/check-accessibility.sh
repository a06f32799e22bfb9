#!/usr/bin/env bash
# The panel and the monitor read through the desktop's accessibility bus, as a screen
# reader reads them (screen-reader.py):
#
#   tests/accessibility/check-accessibility.sh BUILD_DIR [--dump]
#
# A private X server, and a session bus of the script's own in which at-spi2-core's bus
# and registry start when pyatspi first asks for them. Qt starts its accessibility bridge
# only when the bus says a screen reader runs; QT_LINUX_ACCESSIBILITY_ALWAYS_ON starts
# it here, for the programs under test only. Qt's offscreen platform has no bridge, so
# the programs run on xcb.
set -euo pipefail
cd "$(dirname "$0")/../.."

(($# >= 1)) || { echo "usage: $0 BUILD_DIR [--dump]" >&2; exit 2; }
build=$(cd "$1" && pwd)
shift
deadline=120

source scripts/xvfb-session.sh
start_xvfb check-accessibility
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 TMPDIR=$workdir
export XDG_RUNTIME_DIR=$workdir
# Debian's python3, which python3-pyatspi is built for, whatever python3 comes first.
timeout "$deadline" dbus-run-session -- /usr/bin/python3 tests/accessibility/screen-reader.py \
  "$build" "$@"
