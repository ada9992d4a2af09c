#!/usr/bin/env bash
# Test fixture: a headless sway (no screen, no input device, no XWayland),
# 1280x1024 as the X display, for the Wayland tests. Sway refuses to run as
# root: it runs as an unprivileged user (strumlet-sway, made when missing)
# with a runtime folder of its own; clients of any user reach it through
# WAYLAND_DISPLAY (an absolute path) and SWAYSOCK.
#   sway.sh start STATE_DIR   starts it and writes STATE_DIR/sway.env (its
#                             PID and folders) and STATE_DIR/sway.test.env
#                             (WAYLAND_DISPLAY, SWAYSOCK, and an
#                             XDG_RUNTIME_DIR of the tests' own)
#   sway.sh stop STATE_DIR    stops it, by PID, and removes its folders
# scripts/lib.sh start_sway starts the same for the run and benchmark
# scripts.
set -euo pipefail
source "$(dirname "$0")/common.sh"

usage() { fail "usage: sway.sh start|stop STATE_DIR"; }
[ $# -eq 2 ] || usage
state=$2
file=$state/sway.env
user=strumlet-sway

stop() {
  local SWAY_PID RUNTIME_DIR CLIENT_DIR
  read_state "$file" || return 0
  stop_pid "$SWAY_PID" sway
  # Only folders this fixture made (a state file is not a command line).
  case $RUNTIME_DIR in /tmp/strumlet-sway.*) rm -rf "$RUNTIME_DIR" ;; esac
  case $CLIENT_DIR in /tmp/strumlet-wlclient.*) rm -rf "$CLIENT_DIR" ;; esac
  rm -f "$file" "$state/sway.test.env"
  log "stopped the headless sway $SWAY_PID"
}

ready() {
  socket=$(compgen -G "$dir/sway-ipc.*.sock") && [ -S "$dir/wayland-1" ] &&
    SWAYSOCK=$socket timeout 10 swaymsg -t get_outputs >/dev/null 2>&1
}

start() {
  mkdir -p "$state"
  # What a run that was interrupted left running.
  stop
  if ! id "$user" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user"
  fi
  local client config pid
  dir=$(mktemp -d /tmp/strumlet-sway.XXXXXX)
  client=$(mktemp -d /tmp/strumlet-wlclient.XXXXXX)
  chmod 0700 "$dir" "$client"
  chown "$user": "$dir"
  config=$dir/config
  cat >"$config" <<'CONF'
xwayland disable
output HEADLESS-1 resolution 1280x1024 position 0 0
default_border normal
CONF
  chown "$user": "$config"
  setpriv --reuid="$user" --regid="$user" --clear-groups \
    env -i PATH=/usr/bin:/bin HOME=/nonexistent XDG_RUNTIME_DIR="$dir" WLR_BACKENDS=headless WLR_RENDERER=pixman \
    WLR_LIBINPUT_NO_DEVICES=1 sway -c "$config" </dev/null >"$state/sway.log" 2>&1 &
  pid=$!
  write_state "$file" "SWAY_PID=$pid" "RUNTIME_DIR=$dir" "CLIENT_DIR=$client"
  if ! wait_for 120 eval "ready || gone $pid sway" || ! runs "$pid" sway; then
    log "sway did not start: $(tail -5 "$state/sway.log")"
    stop
    exit 1
  fi
  write_state "$state/sway.test.env" "WAYLAND_DISPLAY=$dir/wayland-1" "SWAYSOCK=$socket" "XDG_RUNTIME_DIR=$client"
  log "headless sway $pid: WAYLAND_DISPLAY=$dir/wayland-1"
}

case $1 in
  start) start ;;
  stop) stop ;;
  *) usage ;;
esac
