#!/usr/bin/env bash
# Runs the bench of a build tree configured with -DDIMRIX_BENCH=ON on a private virtual X
# display, so that the start-up rows can watch the X server map the windows. Prints the
# table; the figures go to <build>/bench.json, the detail to <build>/bench.log.
#
# Usage: scripts/bench.sh [build-dir] [group...]    (default build/bench-release)
set -euo pipefail

build_dir=${1:-build/bench-release}
shift || true
bench="$build_dir/bench/dimrix_bench"
if [[ ! -x "$bench" ]]; then
  echo "bench.sh: $bench does not exist; run make bench-build first" >&2
  exit 1
fi

if command -v xvfb-run >/dev/null; then
  # -noreset: the server stays up between the windows the bench starts and stops.
  runner=(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset -nolisten tcp")
else
  # Never the operator's own display: windows would pop up on it, and a window manager
  # hides the mapping the bench watches for. The X rows then say "not run".
  runner=(env -u DISPLAY)
fi
"${runner[@]}" "$bench" "$build_dir/bench.json" "$@" 2>"$build_dir/bench.log"
echo "Detail in $build_dir/bench.log."
