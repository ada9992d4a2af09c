#!/usr/bin/env bash
# Test fixture: a build tree's Wine prefix with one persistent wineserver,
# on the display fixture's display.
#   wine.sh prepare PREFIX LOADER
#       creates and boots the prefix once (the build does it, and whatever
#       finds it missing later)
#   wine.sh start STATE_DIR PREFIX LOADER KEEPER
#       starts the wineserver that serves the whole run (its PID goes to
#       STATE_DIR/wine.env), sets the prefix's DPI (STRUMLET_DPI or 96) and
#       crash dialog, starts the prefix's services, and starts KEEPER (a
#       Windows program that holds the desktop open for the run: wineserver
#       closes a desktop a second after its last program, and a program
#       that starts in that second finds none)
#   wine.sh stop STATE_DIR PREFIX LOADER
#       ends the prefix's programs, then the server (PREFIX and LOADER may
#       be left out: those of the set-up, from its state file)
# Without one server for the run every test program would boot the
# prefix's services afresh (seconds each, and racy while the last ones shut
# down).
set -euo pipefail
source "$(dirname "$0")/common.sh"

usage() { fail "usage: wine.sh prepare PREFIX LOADER | start STATE_DIR PREFIX LOADER KEEPER | stop STATE_DIR [PREFIX LOADER]"; }
case ${1:-} in
  prepare) [ $# -eq 3 ] || usage; state='' prefix=$2 loader=$3 ;;
  start) [ $# -eq 5 ] || usage; state=$2 prefix=$3 loader=$4 keeper=$5 ;;
  stop)
    [ $# -eq 4 ] || [ $# -eq 2 ] || usage
    state=$2 prefix=${3:-} loader=${4:-}
    if [ -z "$prefix" ]; then
      [ -f "$state/wine.env" ] || exit 0
      prefix=$(sed -n 's/^PREFIX=//p' "$state/wine.env")
      loader=$(sed -n 's/^LOADER=//p' "$state/wine.env")
    fi
    ;;
  *) usage ;;
esac
wine_env "$prefix" "$loader"
prefix=$WINEPREFIX
ready=$prefix/.strumlet-ready

prepare() {
  mkdir -p "$(dirname "$prefix")"
  # One creator at a time (the build, a test's launcher).
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$ready" ]; then
    # A prefix whose first boot was cut short is made again.
    if [ -n "$(ls -A "$prefix" 2>/dev/null)" ]; then
      [ "${prefix##*/}" = wineprefix ] || fail "$prefix: not a Wine prefix of the build"
      log "the Wine prefix $prefix was never completed: making it again"
      rm -rf "$prefix"
    fi
    log "creating the Wine prefix $prefix"
    "$WINELOADER" wineboot -i >"$prefix.log" 2>&1 || fail "wineboot failed: see $prefix.log"
    # The first boot goes on in the background for a while; programs
    # started meanwhile are slow to start and end. Wait until it is done.
    timeout 600 "$WINESERVER_CMD" -w || fail "the first boot of $prefix did not end within 10 minutes"
    touch "$ready"
  fi
  flock -u 9
}

stop() {
  # The state file sets PREFIX and LOADER too: kept local, not used here.
  # shellcheck disable=SC2034
  local WINESERVER_PID KEEPER_PID='' PREFIX LOADER
  read_state "$state/wine.env" || return 0
  stop_pid "$KEEPER_PID" desktop_keeper
  # Ends the programs of this build's own prefix (those the tests left
  # running) and its server.
  "$WINESERVER_CMD" -k >/dev/null 2>&1 || true
  wait_for 30 gone "$WINESERVER_PID" wineserver || stop_pid "$WINESERVER_PID" wineserver
  rm -f "$state/wine.env"
  log "stopped the wineserver of $prefix"
}

start() {
  use_fixture_display "$state" || fail "no virtual display: the display fixture has not started one"
  prepare
  # What a run that was interrupted left running.
  stop
  # A server that listing the test programs started ends by itself once
  # they have ended: wait for it, so that the run's own server is the one.
  if ! timeout 120 "$WINESERVER_CMD" -w; then
    log "a wineserver of $prefix still runs after 2 minutes: ending it and its programs"
    "$WINESERVER_CMD" -k >/dev/null 2>&1 || true
    timeout 60 "$WINESERVER_CMD" -w || fail "the wineserver of $prefix does not end"
  fi
  "$WINESERVER_CMD" -f -p </dev/null >"$state/wineserver.log" 2>&1 &
  local server=$!
  write_state "$state/wine.env" "WINESERVER_PID=$server" "PREFIX=$prefix" "LOADER=$loader"
  # A client started before the server listens finds it all the same.
  "$WINELOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${STRUMLET_DPI:-96}" /f >/dev/null 2>&1 ||
    fail "wine reg add failed"
  # A crash ends the program with its exit code instead of waiting in a dialog.
  "$WINELOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 ||
    fail "wine reg add failed"
  # The prefix's services up before the first test.
  "$WINELOADER" cmd /c exit >/dev/null 2>&1 || true
  runs "$server" wineserver || fail "the wineserver ended: see $state/wineserver.log"
  # The desktop, held open for the run.
  "$WINELOADER" "$keeper" </dev/null >"$state/desktop_keeper.log" 2>&1 &
  local keeper_pid=$!
  write_state "$state/wine.env" "WINESERVER_PID=$server" "KEEPER_PID=$keeper_pid" "PREFIX=$prefix" "LOADER=$loader"
  wait_for 120 grep -q "holding the desktop" "$state/desktop_keeper.log" ||
    fail "$keeper did not start within 120 s: $(cat "$state/desktop_keeper.log")"
  log "Wine prefix $prefix on $DISPLAY, wineserver $server, desktop held by $keeper_pid"
}

case $1 in
  prepare) prepare ;;
  start) start ;;
  stop) stop ;;
esac
