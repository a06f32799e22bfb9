# Sourced by the scripts that show a program on a private X server (Xvfb): a work folder,
# the server, and the cleanup that ends the program and the server and removes the folder
# however the script ends. The sourcing script sets `deadline` (seconds) first, starts its
# program into `program_pid`, and may clear `program_pid` once it has reaped it.

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

# start_xvfb NAME: starts the server and exports DISPLAY. With -displayfd the server takes
# the first free display number itself and writes it out once it accepts connections;
# -noreset keeps it from resetting whenever its last client (an xwininfo or xdotool call)
# disconnects; 96 dpi is the size the panel's window was designed at.
start_xvfb() {
  local name=$1 tries
  Xvfb -displayfd 3 -noreset -nolisten tcp -dpi 96 -screen 0 1280x1024x24 \
    3>"$workdir/display" 2>"$workdir/xvfb.log" &
  server_pid=$!
  for ((tries = 0; tries < deadline * 10; tries++)); do
    [[ -s $workdir/display ]] && break
    sleep 0.1
  done
  [[ -s $workdir/display ]] || { echo "$name: Xvfb did not start" >&2; cat "$workdir/xvfb.log" >&2; exit 1; }
  DISPLAY=":$(head -n 1 "$workdir/display")"
  export DISPLAY
}
