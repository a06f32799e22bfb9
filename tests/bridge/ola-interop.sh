#!/usr/bin/env bash
# The bridge driven by a real sACN sender, Debian's ola, and what it puts on the line:
#
#   tests/bridge/ola-interop.sh BRIDGE      (BRIDGE: build-dev/dimrix-bridge; as root)
#
# Everything happens in network, mount and process namespaces of the test's own, so no
# packet touches this machine's interfaces and nothing outlives the test: a veth pair
# there carries 192.0.2.0/24 (TEST-NET-1), olad runs as its own unprivileged user with a
# private configuration holding only its E1.31 plugin, bound to the veth, and the bridge
# writes to a pseudo-terminal read back frame by frame (pty-frames.py). Each step sets one
# look with ola_set_dmx and waits for the line to show it; the expected bytes are written
# out below from the boards' protocol, never made by the project's encoder.
#
#   1. 255 on every slot: the line's first frame is the ALL 100% preset, 120 255
#   2. board 128's channels 0,128,255,3,1,127,191,2 and board 158's last channel 0, the
#      rest 255: the two boards' frames come next, levels rounded to nearest, and
#      nothing else first
#   3. 107 everywhere, a level no preset has: the master frame, 109 42 255
#   4. 0 everywhere: All OFF, 110 255
#   5. an ArtPoll broadcast on the veth's network: one ArtPollReply with one DMX output
#      port at Port-Address 0:0:0 (universe 1)
#   6. SIGTERM: the bridge ends with status 0
#
# Each wait has its deadline; the whole test is bounded by TEST_SECONDS, past which the
# namespaces and everything in them are killed.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
TEST_SECONDS=${TEST_SECONDS:-120}
STEP_SECONDS=${STEP_SECONDS:-10}

# --- outside: check what is needed, then run the rest in the namespaces ------------------
if [[ ${1:-} != --inside ]]; then
  if (($# != 1)); then
    echo "usage: ola-interop.sh BRIDGE" >&2
    exit 2
  fi
  bridge=$(realpath -e "$1" 2>/dev/null) || {
    echo "ola-interop.sh: no program at $1" >&2
    exit 1
  }
  [[ -x $bridge ]] || {
    echo "ola-interop.sh: $bridge is not executable" >&2
    exit 1
  }
  if [[ $(id -u) -ne 0 ]]; then
    echo "ola-interop.sh: needs root, for the namespaces and to run olad as its own user" >&2
    exit 1
  fi
  for command in olad ola_dev_info ola_patch ola_set_dmx ip unshare setpriv python3 timeout; do
    command -v "$command" >/dev/null || {
      echo "ola-interop.sh: no $command (scripts/install-deps.sh interop installs it)" >&2
      exit 1
    }
  done
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # olad's user must reach its configuration inside.
  chmod 0711 "$work"
  started=$EPOCHREALTIME
  status=0
  # --pid with --fork: the inner shell is the namespace's init, and when it ends, by
  # itself or killed at the time limit, the kernel ends everything else in there.
  timeout --kill-after=5 "$TEST_SECONDS" \
    unshare --net --mount --pid --fork --kill-child --mount-proc \
    bash "$0" --inside "$bridge" "$work" || status=$?
  ((status != 124 && status != 137)) || echo "ola-interop.sh: FAILED: not done within $TEST_SECONDS s" >&2
  awk -v from="$started" -v to="$EPOCHREALTIME" \
    'BEGIN { printf "ola-interop.sh: %.1f s in all\n", to - from }'
  exit "$status"
fi

# --- inside ----------------------------------------------------------------------------
bridge=$2
work=$3
frames=$work/frames.log

say() { echo "ola-interop: $*"; }
dump() {
  for log in "$work"/*.log; do
    [[ -f $log ]] || continue
    echo "--- $(basename "$log")" >&2
    cat "$log" >&2
  done
}
fail() {
  echo "ola-interop: FAILED: $*" >&2
  dump
  exit 1
}
# The namespace's init takes no signal it has no handler for: this one lets the time
# limit's SIGTERM end the test with what was logged.
trap 'echo "ola-interop: FAILED: out of time" >&2; dump; exit 124' TERM
now() { echo "$EPOCHREALTIME"; }
elapsed_ms() { awk -v from="$1" -v to="$2" 'BEGIN { printf "%.0f", (to - from) * 1000 }'; }
# Polls `condition` (a command) every 20 ms until it holds or `seconds` pass.
wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 50))
  while ((tries-- > 0)); do
    "$@" && return 0
    sleep 0.02
  done
  return 1
}

# The network: a veth pair, both ends here. olad's E1.31 output needs an interface that is
# not loopback. The copy of a multicast packet that crosses the pair arrives with a local
# source address and is dropped as martian; the bridge hears the copy the kernel loops
# back on the sending interface, as it would beside a console on one machine. The
# multicast route is the one a configured machine has by its default route.
ip link set lo up
ip link add dmxa type veth peer name dmxb
ip addr add 192.0.2.1/24 dev dmxa
ip addr add 192.0.2.2/24 dev dmxb
ip link set dmxa up
ip link set dmxb up
ip route add 224.0.0.0/4 dev dmxa
# Serial lock files (QSerialPort's) stay in here, not in this machine's /run/lock.
if [[ -d /run/lock ]]; then
  mount -t tmpfs -o mode=1777 dimrix-lock /run/lock
fi

# The line.
python3 -u "$here/pty-frames.py" "$TEST_SECONDS" >"$frames" 2>"$work/pty.log" &
line_ready() { [[ -s $frames ]]; }
wait_for 5 line_ready || fail "no pseudo-terminal"
pts=$(head -n 1 "$frames")

# olad: only E1.31, on dmxa. Every other plugin is switched off before it starts, so none
# probes a USB or serial device; the device list is checked below as well.
olad_user=olad
getent passwd olad >/dev/null || olad_user=nobody
ola_config=$work/ola
mkdir "$ola_config"
for plugin in artnet dummy espnet ftdidmx gpio karate kinet milinst opendmx \
  openpixelcontrol osc pathport renard sandnet shownet spi stageprofi uartdmx usbdmx \
  usbserial; do
  echo "enabled = false" >"$ola_config/ola-$plugin.conf"
done
printf 'enabled = true\nip = 192.0.2.1\n' >"$ola_config/ola-e131.conf"
chown -R "$olad_user" "$ola_config"
setpriv --reuid="$olad_user" --regid="$(id -g "$olad_user")" --clear-groups -- \
  olad --config-dir "$ola_config" --no-http --no-register-with-dns-sd --log-level 3 \
  >"$work/olad.log" 2>&1 &
olad_pid=$!
devices() { ola_dev_info >"$work/devices" 2>/dev/null && grep -q 'E1.31' "$work/devices"; }
wait_for "$STEP_SECONDS" devices || fail "olad gave no E1.31 device"
[[ $(grep -c '^Device ' "$work/devices") == 1 ]] ||
  fail "olad runs more than its E1.31 device: $(grep '^Device ' "$work/devices")"
device=$(sed -n 's/^Device \([0-9]*\): E1.31.*/\1/p' "$work/devices")
ola_patch --device "$device" --port 0 --universe 1 >/dev/null ||
  fail "ola_patch of E1.31 output port 0 to universe 1"
say "olad (user $olad_user, pid $olad_pid): E1.31 device $device, output port 0 on universe 1, from 192.0.2.1"

# The bridge, as root: the namespace is the sandbox here, and its pseudo-terminal is root's.
"$bridge" "$pts" 2>"$work/bridge.log" &
bridge_pid=$!
start_line="dimrix-bridge: $pts: universe 1, slots 1-248, Art-Net 0:0:0"
bridge_started() { grep -qxF "$start_line" "$work/bridge.log"; }
wait_for "$STEP_SECONDS" bridge_started || fail "the bridge did not print: $start_line"
say "bridge (pid $bridge_pid) on $pts"

# The frames after the first `count` of the capture (its line 1 is the path), bytes only.
frames_after() { tail -n +$(($1 + 2)) "$frames" | grep -v unterminated | cut -d' ' -f2-; }
frame_count() { echo $(($(wc -l <"$frames") - 1)); }

# 512 DMX values, comma-separated: slots 1 to 248 from the arguments (VALUE or
# VALUExCOUNT), the rest 0: the line takes slots 1-248 and must ignore the others.
look() {
  local values=() item
  for item in "$@"; do
    if [[ $item == *x* ]]; then
      for ((i = 0; i < ${item#*x}; i++)); do values+=("${item%x*}"); done
    else
      values+=("$item")
    fi
  done
  ((${#values[@]} == 248)) || fail "look of ${#values[@]} slots, not 248"
  for ((i = 248; i < 512; i++)); do values+=(0); done
  local IFS=,
  echo "${values[*]}"
}

# step NAME DMX "OLD FRAME"... -- "NEW FRAME"...
# Sends DMX and waits for the new frames. Before them only frames of the look before may
# come (the frame on the wire, refreshes sent before the packet arrived); then the new
# frames, all of them and nothing else, in any order among themselves.
step() {
  local name=$1 dmx=$2
  shift 2
  local old=() new=()
  while (($# > 0)) && [[ $1 != -- ]]; do old+=("$1"); shift; done
  shift
  new=("$@")
  local mark
  mark=$(frame_count)
  local sent
  sent=$(now)
  ola_set_dmx --universe 1 --dmx "$dmx" || fail "$name: ola_set_dmx"
  # The new look has landed once frames_after holds, past the old look's, as many
  # frames as it has.
  landed() {
    local count=0 seen_new=0 frame
    while IFS= read -r frame; do
      if ((!seen_new)) && printf '%s\n' "${old[@]}" | grep -qxF -- "$frame"; then
        continue
      fi
      seen_new=1
      count=$((count + 1))
    done < <(frames_after "$mark")
    ((count >= ${#new[@]}))
  }
  wait_for "$STEP_SECONDS" landed ||
    fail "$name: within $STEP_SECONDS s the line got only: $(frames_after "$mark" | paste -sd'|')"
  local arrived
  arrived=$(now)
  local got=() frame seen_new=0
  while IFS= read -r frame; do
    if ((!seen_new)) && printf '%s\n' "${old[@]}" | grep -qxF -- "$frame"; then
      continue
    fi
    seen_new=1
    got+=("$frame")
  done < <(frames_after "$mark")
  got=("${got[@]:0:${#new[@]}}")
  local want_sorted got_sorted
  want_sorted=$(printf '%s\n' "${new[@]}" | sort)
  got_sorted=$(printf '%s\n' "${got[@]}" | sort)
  if [[ $want_sorted != "$got_sorted" ]]; then
    fail "$name: expected $(printf '[%s] ' "${new[@]}")but the line got $(printf '[%s] ' "${got[@]}")"
  fi
  say "$name: $(printf '[%s] ' "${new[@]}")after $(elapsed_ms "$sent" "$arrived") ms"
}

# Nothing before the first data: the capture holds no frame yet.
(($(frame_count) == 0)) || fail "the bridge wrote before any data: $(frames_after 0 | paste -sd'|')"

all_100='120 255'
step "255 on all 248 channels" "$(look 255x248)" -- "$all_100"

board_128='128 0 50 100 1 0 50 75 1 255'
board_158='158 100 100 100 100 100 100 100 0 255'
step "board 128 pattern, board 158 channel 7 at 0" \
  "$(look 0 128 255 3 1 127 191 2 255x232 255x7 0)" \
  "$all_100" -- "$board_128" "$board_158"

pattern_look=("$board_128" "$board_158")
for address in $(seq 129 157); do
  pattern_look+=("$address 100 100 100 100 100 100 100 100 255")
done
master_42='109 42 255'
step "107 on all 248 channels" "$(look 107x248)" "${pattern_look[@]}" -- "$master_42"

all_off='110 255'
step "0 on all 248 channels" "$(look 0x248)" "$master_42" -- "$all_off"

# Art-Net discovery: a console's ArtPoll, broadcast on the veth's network.
python3 "$here/artpoll.py" 192.0.2.2 192.0.2.255 "$STEP_SECONDS" >"$work/artpoll.log" 2>&1 ||
  fail "ArtPoll: $(cat "$work/artpoll.log")"
read -r -a reply <"$work/artpoll.log"
reply_from=$(sed -n 2p "$work/artpoll.log")
reply_ms=$(sed -n 3p "$work/artpoll.log")
check_reply() {
  local at=$1 want=$2 what=$3
  [[ ${reply[$at]:-none} == "$want" ]] ||
    fail "ArtPollReply byte $at ($what) is ${reply[$at]:-missing}, not $want"
}
((${#reply[@]} == 239)) || fail "ArtPollReply of ${#reply[@]} bytes, not 239"
# "Art-Net" NUL, OpCode 0x2100 low byte first.
for at in 0 1 2 3 4 5 6 7 8 9; do
  check_reply "$at" "$(cut -d' ' -f$((at + 1)) <<<'65 114 116 45 78 101 116 0 0 33')" "ID and OpCode"
done
[[ "${reply[10]}.${reply[11]}.${reply[12]}.${reply[13]}" == 192.0.2.[12] ]] ||
  fail "ArtPollReply gives IP ${reply[10]}.${reply[11]}.${reply[12]}.${reply[13]}, not the veth's"
check_reply 14 54 "port 0x1936, low byte"
check_reply 15 25 "port 0x1936, high byte"
check_reply 18 0 "NetSwitch"
check_reply 19 0 "SubSwitch"
check_reply 172 0 "NumPorts high"
check_reply 173 1 "NumPorts low"
check_reply 174 128 "PortTypes[0]: DMX512 output"
check_reply 190 0 "SwOut[0]"
say "ArtPoll: ArtPollReply from $reply_from, 239 bytes, one DMX output at 0:0:0, after $reply_ms ms"

# The end: SIGTERM, status 0.
kill -TERM "$bridge_pid"
bridge_gone() { ! kill -0 "$bridge_pid" 2>/dev/null; }
wait_for "$STEP_SECONDS" bridge_gone || fail "the bridge still runs $STEP_SECONDS s after SIGTERM"
bridge_status=0
wait "$bridge_pid" || bridge_status=$?
((bridge_status == 0)) || fail "the bridge ended with status $bridge_status after SIGTERM"
say "SIGTERM: status 0"
say "what the bridge said:"
sed 's/^/  /' "$work/bridge.log"
kill -TERM "$olad_pid" 2>/dev/null || true
say "passed"
