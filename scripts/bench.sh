#!/usr/bin/env bash
# Runs every bench program of a build tree (configured with -DDIMRIX_BENCH=ON) and prints
# one table: what was measured, the figure, its goal, and whether the goal was met. The
# same figures go to <build>/bench.json; each program's own detail goes to
# <build>/bench-logs/<program>.log. Goals are reported, never enforced: a missed goal
# shows as NO in the table and the script still succeeds.
#
# Usage: scripts/bench.sh [build-dir]     (default build/bench-release)
set -euo pipefail

build_dir=${1:-build/bench-release}
bench_dir="$build_dir/bench"
log_dir="$build_dir/bench-logs"
json="$build_dir/bench.json"
records="$log_dir/records.tsv"

if [[ ! -d "$bench_dir" ]]; then
  echo "bench.sh: $bench_dir does not exist; configure with -DDIMRIX_BENCH=ON and build first" >&2
  exit 1
fi
mkdir -p "$log_dir"
: >"$records"

# The Qt programs draw into memory; only the start-up bench asks for an X display, and
# only for the runs that need one.
export QT_QPA_PLATFORM=offscreen

# name, what it measures (for the progress line and for a "not built" row), and whether it
# needs an X server for part of its figures.
programs=(
  "dimrix_bench_machine|machine and build|"
  "dimrix_bench_handlers|handler cost|"
  "dimrix_bench_latency|event-to-wire latency|"
  "dimrix_bench_fade|fade clock on the wire|"
  "dimrix_bench_program|start-up, footprint, idle cost|x"
  "dimrix_bench_backlog|line overrun: All OFF, boards behind the screen, queue, backlog|"
)

# Other work on the machine shows up in every timing; the table says how busy it was.
load_before=$(cut -d' ' -f1 /proc/loadavg)
started=$SECONDS
for entry in "${programs[@]}"; do
  IFS='|' read -r name what needs_x <<<"$entry"
  exe="$bench_dir/$name"
  log="$log_dir/$name.log"
  if [[ ! -x "$exe" ]]; then
    printf 'row\t%s\tnot built (its part of the program is missing)\t-\tnot run\n' "$what" >>"$records"
    continue
  fi
  echo "bench: $what ($name)..." >&2
  runner=()
  if [[ -n "$needs_x" ]]; then
    if command -v xvfb-run >/dev/null; then
      # A private virtual display; the program chooses the platform for each run itself.
      runner=(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset -nolisten tcp")
    else
      # Never the operator's own display: windows would pop up on it, and a window
      # manager hides the mapping the bench watches for. Its X rows say "not run".
      runner=(env -u DISPLAY)
    fi
  fi
  if ! "${runner[@]}" "$exe" >>"$records" 2>"$log"; then
    printf 'row\t%s\tfailed, see %s\t-\tnot run\n' "$what" "$log" >>"$records"
  fi
done
elapsed=$((SECONDS - started))
load_after=$(cut -d' ' -f1 /proc/loadavg)

# --- The table ---------------------------------------------------------------------------
awk -F'\t' -v elapsed="$elapsed" -v load="$load_before / $load_after" '
  $1 == "info" { info[$2] = $3 }
  $1 == "row"  { rows++; r[rows] = $2; f[rows] = $3; g[rows] = $4; m[rows] = $5 }
  END {
    printf "Machine: %s, %s cores, %s\n", info["cpu"], info["cores"], info["kernel"]
    qt = info["qt"] == "not built" ? "no Qt" : "Qt " info["qt"] " (built against " info["qt_built"] ")"
    printf "%s, %s, %s build\n", qt, info["compiler"], info["build_type"]
    printf "Each figure is the median of several runs; bench time %d s; load average %s (before / after).\n\n", elapsed, load
    wr = length("row"); wf = length("figure"); wg = length("goal")
    for (i = 1; i <= rows; i++) {
      if (length(r[i]) > wr) wr = length(r[i])
      if (length(f[i]) > wf) wf = length(f[i])
      if (length(g[i]) > wg) wg = length(g[i])
    }
    line = sprintf("| %-" wr "s | %-" wf "s | %-" wg "s | %-7s |", "row", "figure", "goal", "met")
    print line
    dash = "|"
    dash = dash sprintf("%" (wr + 2) "s|", ""); dash = dash sprintf("%" (wf + 2) "s|", "")
    dash = dash sprintf("%" (wg + 2) "s|", ""); dash = dash sprintf("%9s|", "")
    gsub(/ /, "-", dash)
    print dash
    for (i = 1; i <= rows; i++)
      printf "| %-" wr "s | %-" wf "s | %-" wg "s | %-7s |\n", r[i], f[i], g[i], m[i]
  }' "$records"

# --- The same figures as JSON ------------------------------------------------------------
awk -F'\t' -v generated="$(date -u +%Y-%m-%dT%H:%M:%SZ)" -v elapsed="$elapsed" \
  -v load_before="$load_before" -v load_after="$load_after" '
  function q(s) { gsub(/\\/, "\\\\", s); gsub(/"/, "\\\"", s); return "\"" s "\"" }
  $1 == "info"  { ni++; ik[ni] = $2; iv[ni] = $3 }
  $1 == "row"   { nr++; rr[nr] = $2; rf[nr] = $3; rg[nr] = $4; rm[nr] = $5 }
  $1 == "value" { nv++; vk[nv] = $2; vv[nv] = $3 }
  END {
    print "{"
    printf "  \"generated\": %s,\n  \"seconds\": %d,\n", q(generated), elapsed
    printf "  \"load_average\": {\"before\": %s, \"after\": %s},\n  \"machine\": {", load_before, load_after
    for (i = 1; i <= ni; i++) printf "%s\n    %s: %s", (i > 1 ? "," : ""), q(ik[i]), q(iv[i])
    print "\n  },\n  \"rows\": ["
    for (i = 1; i <= nr; i++)
      printf "    {\"row\": %s, \"figure\": %s, \"goal\": %s, \"met\": %s}%s\n", q(rr[i]), q(rf[i]), q(rg[i]), q(rm[i]), (i < nr ? "," : "")
    printf "  ],\n  \"values\": {"
    for (i = 1; i <= nv; i++) printf "%s\n    %s: %s", (i > 1 ? "," : ""), q(vk[i]), vv[i]
    print "\n  }\n}"
  }' "$records" >"$json"

echo
echo "Figures written to $json; details in $log_dir/."
