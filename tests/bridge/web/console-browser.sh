#!/usr/bin/env bash
# The bridge's web console in headless Chromium, checked against the bytes on the line:
#
#   tests/bridge/web/console-browser.sh BRIDGE [SCREENSHOT.png]     (as root)
#
# BRIDGE: build-dev/dimrix-bridge. Everything runs in network, mount and process
# namespaces of the test's own with only loopback up, so nothing the browser does can
# leave this machine: the bridge on a pseudo-terminal serves its console on
# 127.0.0.1:9230, a hand-made sACN source sends unicast to 127.0.0.1, and Chromium
# (as root it needs --no-sandbox) opens the page. console_browser.py says what is
# checked. With SCREENSHOT.png it also saves the page at a phone's width (390 x 844)
# with the source and the taken console, as docs/dimrix-bridge-console.png shows it.
# The whole test is bounded by TEST_SECONDS, past which the namespaces and everything
# in them are killed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
TEST_SECONDS=${TEST_SECONDS:-180}
PORT=${PORT:-9230}
# Debian's python3, where python3-selenium is.
PYTHON=${PYTHON:-/usr/bin/python3}

if [[ ${1:-} != --inside ]]; then
  if (($# < 1 || $# > 2)); then
    echo "usage: console-browser.sh BRIDGE [SCREENSHOT.png]" >&2
    exit 2
  fi
  bridge=$(realpath -e "$1" 2>/dev/null) || {
    echo "console-browser.sh: no program at $1" >&2
    exit 1
  }
  screenshot=
  if (($# == 2)); then
    screenshot=$(realpath -m "$2")
  fi
  if [[ $(id -u) -ne 0 ]]; then
    echo "console-browser.sh: needs root, for the namespaces" >&2
    exit 1
  fi
  for command in ip unshare timeout chromium chromedriver "$PYTHON"; do
    command -v "$command" >/dev/null || {
      echo "console-browser.sh: no $command (scripts/install-deps.sh console installs it)" >&2
      exit 1
    }
  done
  "$PYTHON" -c 'import selenium' 2>/dev/null || {
    echo "console-browser.sh: $PYTHON has no selenium (Debian's python3-selenium)" >&2
    exit 1
  }
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  started=$EPOCHREALTIME
  status=0
  # --pid with --fork: the inner shell is the namespace's init, and when it ends, by
  # itself or killed at the time limit, the kernel ends everything else in there.
  timeout --kill-after=5 "$TEST_SECONDS" \
    unshare --net --mount --pid --fork --kill-child --mount-proc \
    bash "$0" --inside "$bridge" "$work" "$screenshot" || status=$?
  ((status != 124 && status != 137)) ||
    echo "console-browser.sh: FAILED: not done within $TEST_SECONDS s" >&2
  awk -v from="$started" -v to="$EPOCHREALTIME" \
    'BEGIN { printf "console-browser.sh: %.1f s in all\n", to - from }'
  exit "$status"
fi

# --- inside ----------------------------------------------------------------------------
bridge=$2
work=$3
screenshot=$4
trap 'echo "console-browser: FAILED: out of time" >&2; exit 124' TERM
ip link set lo up
# Serial lock files (QSerialPort's) stay in here, not in this machine's /run/lock.
if [[ -d /run/lock ]]; then
  mount -t tmpfs -o mode=1777 dimrix-lock /run/lock
fi
# Chromium's profile, crash reports and caches in the test's own folder.
export HOME=$work TMPDIR=$work PYTHONDONTWRITEBYTECODE=1
"$PYTHON" -u "$here/console_browser.py" "$bridge" "$PORT" ${screenshot:+"$screenshot"}
