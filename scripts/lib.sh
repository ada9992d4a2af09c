# Shared by the run and benchmark scripts: the virtual display, the private
# Wine prefix, a headless sway, and stopping exactly the processes the script
# started. (The tests get theirs from ctest's fixtures: scripts/ctest/.)
# shellcheck shell=bash

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
STARTED_PIDS=()
STARTED_DIRS=()

log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }

cleanup() {
  local pid dir
  if [ -n "${WINEPREFIX:-}" ] && command -v wineserver >/dev/null 2>&1; then
    # Ends the Wine server of this script's own prefix (and the programs in it).
    wineserver -k >/dev/null 2>&1 || true
  fi
  for ((i = ${#STARTED_PIDS[@]} - 1; i >= 0; i--)); do
    pid=${STARTED_PIDS[i]}
    kill "$pid" >/dev/null 2>&1 || true
  done
  for pid in "${STARTED_PIDS[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  STARTED_PIDS=()
  for dir in "${STARTED_DIRS[@]}"; do rm -rf "$dir"; done
  STARTED_DIRS=()
}

# Starts a virtual display with its window manager, as the tests' fixture
# does (scripts/ctest/display.sh), and exports DISPLAY. With
# keep_user_display=1 an existing DISPLAY is used as it is. Display numbers
# are tried from DISPLAY_FIRST (91) on. cleanup stops both.
start_display() {
  local keep_user_display=${1:-0}
  if [ "$keep_user_display" = 1 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    log "using the display $DISPLAY"
    return
  fi
  local state
  state=$(mktemp -d /tmp/strumlet-display-state.XXXXXX)
  STARTED_DIRS+=("$state")
  if ! STRUMLET_DISPLAY_FIRST=${DISPLAY_FIRST:-91} bash "$ROOT/scripts/ctest/display.sh" start "$state"; then
    log "no virtual display started"
    return 1
  fi
  local XVFB_PID WM_PID
  # shellcheck disable=SC1091
  . "$state/display.env"
  # cleanup stops them in the reverse order: the window manager first.
  STARTED_PIDS+=("$XVFB_PID" "$WM_PID")
  export DISPLAY
  log "virtual display $DISPLAY"
}

# Whether this machine runs 32-bit Windows programs. Wine's 32-bit loader
# needs the kernel's 32-bit support, which some kernels are built without
# (exec then fails with "Exec format error"). Without it only 64-bit Wine
# runs: the 32-bit program is still built and inspected, but not run.
wine32_runs() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The Windows build that runs here: win32 where 32-bit programs run, else win64.
run_preset() {
  if wine32_runs; then echo win32; else echo win64; fi
}

# A private Wine prefix under build/, booted once.
setup_wine() {
  if ! wine32_runs; then
    # "wine" starts the 32-bit loader first; put a "wine" that starts the
    # 64-bit one ahead of it on PATH (wineboot and the other tools start
    # "wine-stable").
    local shim="$ROOT/build/wine64-shim"
    mkdir -p "$shim"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$shim/wine-stable"
    cp "$shim/wine-stable" "$shim/wine"
    chmod +x "$shim/wine" "$shim/wine-stable"
    case ":$PATH:" in *":$shim:"*) ;; *) export PATH="$shim:$PATH" ;; esac
    export WINELOADER=/usr/lib/wine/wine64
  fi
  export WINEPREFIX="${STRUMLET_WINEPREFIX:-$ROOT/build/wineprefix}"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    # The first boot goes on in the background for a while; programs started
    # meanwhile are slow to start and end. Wait until it is all done.
    wineserver -w >/dev/null 2>&1 || true
  fi
  # One Wine server for the whole run: without it every program started
  # alone boots the prefix's services afresh (seconds each, and racy while
  # the last ones shut down). cleanup ends it. A server still running for
  # this prefix is ended first, so that the new one is the persistent one.
  if ! wineserver -p >/dev/null 2>&1; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    wineserver -p
  fi
  # Screen DPI of the prefix (96 unless STRUMLET_DPI says otherwise).
  local dpi=${STRUMLET_DPI:-96}
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  # A crash ends the program with its exit code instead of waiting in a dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # Start the prefix's services before any test runs.
  wine cmd /c exit >/dev/null 2>&1 || true
}

# --- Wayland: a headless sway ------------------------------------------------

# Starts a headless sway (no screen, no input device, no XWayland) as an
# unprivileged user, as the tests' fixture does (scripts/ctest/sway.sh), and
# exports WAYLAND_DISPLAY (an absolute path), SWAYSOCK and, for this
# script's own clients, an XDG_RUNTIME_DIR of theirs. cleanup stops it.
start_sway() {
  local state
  state=$(mktemp -d /tmp/strumlet-sway-state.XXXXXX)
  STARTED_DIRS+=("$state")
  if ! bash "$ROOT/scripts/ctest/sway.sh" start "$state"; then
    log "sway did not start"
    return 1
  fi
  local SWAY_PID RUNTIME_DIR CLIENT_DIR
  # shellcheck disable=SC1091
  . "$state/sway.env"
  STARTED_PIDS+=("$SWAY_PID")
  STARTED_DIRS+=("$RUNTIME_DIR" "$CLIENT_DIR")
  set -a
  # shellcheck disable=SC1091
  . "$state/sway.test.env"
  set +a
  log "headless sway: WAYLAND_DISPLAY=$WAYLAND_DISPLAY"
}
