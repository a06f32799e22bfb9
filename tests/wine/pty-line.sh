# Sourced by the scripts that put a Windows program on a serial line: the line is a
# pseudo-terminal that pty-capture.pl opens and reads (or feeds) in the background.
#
#   pty_line_open FILE ARG...   starts pty-capture.pl ARG..., its output in FILE, and
#                               returns once the far end exists: pty_line_device is its
#                               path (what COM1 or COM2 is mapped to), pty_line_pid the
#                               reader's process
#   pty_line_wait               waits for the reader to end by itself (count or timeout)
#   pty_line_close              ends the reader, if it still runs: the far end hangs up

pty_line_pid=""
pty_line_device=""

pty_line_open() {
  local file=$1
  shift
  : >"$file"
  perl "$(dirname "${BASH_SOURCE[0]}")/pty-capture.pl" "$@" >"$file" &
  pty_line_pid=$!
  # The first line is the far end's path; a reader that ended before it had none.
  until [[ $(wc -l <"$file") -ge 1 ]]; do
    if ! kill -0 "$pty_line_pid" 2>/dev/null; then
      echo "$(basename "$0"): pty-capture.pl opened no pseudo-terminal" >&2
      exit 1
    fi
    sleep 0.1
  done
  pty_line_device=$(head -n 1 "$file")
}

pty_line_wait() {
  if [[ -n $pty_line_pid ]]; then
    wait "$pty_line_pid" || true
    pty_line_pid=""
  fi
}

pty_line_close() {
  if [[ -n $pty_line_pid ]]; then
    kill "$pty_line_pid" 2>/dev/null || true
    wait "$pty_line_pid" 2>/dev/null || true
    pty_line_pid=""
  fi
}
