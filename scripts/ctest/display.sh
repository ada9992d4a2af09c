#!/usr/bin/env bash
# Test fixture: a virtual display (Xvfb, 1280x1024, at STRUMLET_DPI or 96
# DPI) with a window manager (openbox), for the tests on the display. The
# run and benchmark scripts start theirs with it too (scripts/lib.sh).
#   display.sh start STATE_DIR [OFFSET]
#       starts both on the first free display number from
#       STRUMLET_DISPLAY_FIRST (100 unless set) plus OFFSET (0 unless given)
#       and writes STATE_DIR/display.env (DISPLAY and the two PIDs), where the
#       test launcher (launch.sh) reads DISPLAY
#   display.sh stop STATE_DIR
#       stops the two, by PID
set -euo pipefail
source "$(dirname "$0")/common.sh"

usage() { fail "usage: display.sh start STATE_DIR [OFFSET] | stop STATE_DIR"; }
[ $# -ge 2 ] && [ $# -le 3 ] || usage
state=$2
offset=${3:-0}
first=$((${STRUMLET_DISPLAY_FIRST:-100} + offset))
file=$state/display.env

stop() {
  local DISPLAY XVFB_PID WM_PID
  read_state "$file" || return 0
  stop_pid "$WM_PID" openbox
  stop_pid "$XVFB_PID" Xvfb
  rm -f "$file"
  log "stopped the virtual display $DISPLAY"
}

# Each probe is a new X client, limited: a server that is busy starting
# would keep it waiting.
answers() { timeout 10 xdpyinfo >/dev/null 2>&1; }
wm_ready() { timeout 10 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# try_display N: Xvfb on :N, then openbox; 0 once both serve, 2 when the
# number is taken, 1 when they did not start (what was started is stopped).
try_display() {
  local n=$1 number=$state/display.number pid wm
  : >"$number"
  # Xvfb writes the number to descriptor 3 once it runs, or ends at once
  # when another server has the number: its own lock settles a race.
  # -noreset: the server does not start afresh when its last client leaves.
  # Without it, the readiness probe's leaving resets the server just as
  # openbox connects, and a client that connects during a reset can be
  # refused (openbox once could not open two displays in a row).
  Xvfb ":$n" -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset -dpi "${STRUMLET_DPI:-96}" \
    3>"$number" </dev/null >"$state/xvfb.log" 2>&1 &
  pid=$!
  write_state "$file" "DISPLAY=:$n" "XVFB_PID=$pid" "WM_PID="
  if ! wait_for 120 eval "[ -s '$number' ] || gone $pid Xvfb"; then
    log "Xvfb :$n neither started nor ended within 120 s"
    stop
    return 1
  fi
  if [ ! -s "$number" ]; then
    wait "$pid" 2>/dev/null || true
    rm -f "$file"
    return 2
  fi
  export DISPLAY=":$n"
  if ! wait_for 120 answers; then
    log "Xvfb :$n does not answer within 120 s"
    stop
    return 1
  fi
  openbox </dev/null >"$state/openbox.log" 2>&1 &
  wm=$!
  write_state "$file" "DISPLAY=$DISPLAY" "XVFB_PID=$pid" "WM_PID=$wm"
  # Ready once it has announced itself on the root window.
  if ! wait_for 120 eval "wm_ready || gone $wm openbox" || ! runs "$wm" openbox; then
    log "openbox did not start on $DISPLAY: $(cat "$state/openbox.log")"
    stop
    return 1
  fi
}

start() {
  mkdir -p "$state"
  # What a run that was interrupted left running.
  stop
  # A display number of its own, from the first of its range up: runs side
  # by side set STRUMLET_DISPLAY_FIRST apart, and Xvfb's own lock settles a
  # race for a number all the same. A display that does not come up is
  # tried once more on another number.
  local n failures=0 rc
  for n in $(seq "$first" $((first + 99))); do
    if [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then continue; fi
    rc=0
    try_display "$n" || rc=$?
    case $rc in
      0)
        log "virtual display $DISPLAY with openbox"
        return 0
        ;;
      1)
        failures=$((failures + 1))
        [ "$failures" -lt 2 ] || fail "no virtual display started (twice)"
        ;;
    esac
  done
  fail "no free display number from :$first to :$((first + 99))"
}

case $1 in
  start) start ;;
  stop) [ $# -eq 2 ] || usage; stop ;;
  *) usage ;;
esac
