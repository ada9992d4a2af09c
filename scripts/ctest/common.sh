# Shared by the test fixtures and the test launcher in this folder (ctest
# runs them; see cmake/StrumletTests.cmake). Each fixture keeps what its
# set-up started in a state file of the build tree's fixture folder, and its
# clean-up stops exactly those processes, by PID.
# shellcheck shell=bash

log() { printf '[%s] %s: %s\n' "$(date +%H:%M:%S)" "${0##*/}" "$*" >&2; }
fail() {
  log "$*"
  exit 1
}

# wait_for SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds;
# fails once SECONDS have passed. The limits are generous: the machine may
# be loaded. A command that may block (an X client) needs a limit of its
# own (timeout).
wait_for() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.1
  done
}

# runs PID WORD: whether PID is alive and its command line contains WORD
# (a PID from an old state file may belong to another program by now).
runs() {
  local command
  [ -n "$1" ] && command=$(tr '\0' ' ' 2>/dev/null <"/proc/$1/cmdline") && [[ $command == *"$2"* ]]
}

gone() { ! runs "$1" "$2"; }

# stop_pid PID WORD: ends the process PID, if it still runs WORD: TERM, then
# KILL after 10 s.
stop_pid() {
  local pid=$1 word=$2
  runs "$pid" "$word" || return 0
  kill -TERM "$pid" 2>/dev/null || return 0
  if ! wait_for 10 gone "$pid" "$word"; then
    log "$word ($pid) did not end on TERM: killing it"
    kill -KILL "$pid" 2>/dev/null || true
    wait_for 10 gone "$pid" "$word" || true
  fi
}

# read_state FILE: the state file's variables, exported.
read_state() {
  [ -f "$1" ] || return 1
  set -a
  # shellcheck disable=SC1090
  . "$1"
  set +a
}

# write_state FILE LINE...: replaces FILE with the given lines at once.
write_state() {
  local file=$1
  shift
  printf '%s\n' "$@" >"$file.new"
  mv -f "$file.new" "$file"
}

# The display a live display fixture of this state folder serves: exports
# DISPLAY and returns 0, or returns 1 when there is none (no state, or its
# Xvfb has ended).
use_fixture_display() {
  local file=$1/display.env key value display='' xvfb=''
  [ -f "$file" ] || return 1
  while IFS='=' read -r key value; do
    case $key in
      DISPLAY) display=$value ;;
      XVFB_PID) xvfb=$value ;;
    esac
  done <"$file"
  runs "$xvfb" Xvfb || return 1
  export DISPLAY=$display
}

# Wine for one prefix: exports what every Wine command of the tests needs.
# The loader is the one for the build's word size (wine64 runs 64-bit
# programs; a kernel without 32-bit support cannot run the 32-bit loader).
wine_env() {
  # Wine wants an absolute path.
  WINEPREFIX=$(realpath -m "$1")
  export WINEPREFIX WINELOADER=$2
  export WINEDEBUG=-all
  # No Mono or Gecko installers at the first boot.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  WINESERVER_CMD=$(dirname "$WINELOADER")/wineserver
  [ -x "$WINESERVER_CMD" ] || WINESERVER_CMD=wineserver
}
