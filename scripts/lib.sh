# Shared by the project's scripts: the virtual display, the private Wine
# prefix, and stopping exactly the processes the script started.
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

# Starts Xvfb on a free display, with openbox for window frames, and exports
# DISPLAY. With keep_user_display=1 an existing DISPLAY is used as it is.
# Display numbers are tried from DISPLAY_FIRST (91) on: stages that run side
# by side start from numbers 50 apart, so that they never race for one.
start_display() {
  local keep_user_display=${1:-0}
  if [ "$keep_user_display" = 1 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    log "using the display $DISPLAY"
    return
  fi
  local n
  local first=${DISPLAY_FIRST:-91}
  for n in $(seq "$first" $((first + 49))); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -dpi "${STRUMLET_DPI:-96}" >/dev/null 2>&1 &
  STARTED_PIDS+=($!)
  export DISPLAY=":$n"
  local tries=0
  until xdpyinfo >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ $tries -gt 200 ]; then log "Xvfb did not start"; return 1; fi
    sleep 0.1
  done
  openbox >/dev/null 2>&1 &
  STARTED_PIDS+=($!)
  # Ready once it has announced itself on the root window.
  tries=0
  until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
    tries=$((tries + 1))
    if [ $tries -gt 200 ]; then log "openbox did not start"; return 1; fi
    sleep 0.1
  done
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
    # 64-bit one ahead of it on PATH (CMake's test emulator is "wine" too).
    local shim="$ROOT/build/wine64-shim"
    mkdir -p "$shim"
    # wineboot and the other tools start "wine-stable".
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$shim/wine-stable"
    # A test program that ended without a single line of output never
    # reached its main function (a test program always reports first): Wine
    # failed to start it, as it now and then does on a loaded machine. Such a
    # start is tried again, twice at most, and said so on standard error.
    cat >"$shim/wine" <<'SHIM'
#!/bin/sh
case "$1" in
  *_tests.exe) ;;
  *) exec /usr/lib/wine/wine64 "$@" ;;
esac
out=$(mktemp)
for attempt in 1 2 3; do
  /usr/lib/wine/wine64 "$@" >"$out"
  rc=$?
  if [ "$rc" -eq 0 ] || [ -s "$out" ]; then break; fi
  echo "wine: $1 ended with exit code $rc before writing anything (start $attempt of 3)" >&2
done
cat "$out"
rm -f "$out"
exit "$rc"
SHIM
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

# The unprivileged user that runs the test compositor: sway refuses to run as
# root.
SWAY_USER=strumlet-sway

# Starts a headless sway (no screen, no input device, no XWayland) as
# $SWAY_USER with a runtime folder of its own, and exports WAYLAND_DISPLAY
# (an absolute path), SWAYSOCK and, for this script's own clients, an
# XDG_RUNTIME_DIR of theirs. The output is 1280x1024 as the X display's.
start_sway() {
  if ! id "$SWAY_USER" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$SWAY_USER"
  fi
  local dir client config
  dir=$(mktemp -d /tmp/strumlet-sway.XXXXXX)
  STARTED_DIRS+=("$dir")
  chown "$SWAY_USER": "$dir"
  chmod 0700 "$dir"
  config="$dir/config"
  cat >"$config" <<'CONF'
xwayland disable
output HEADLESS-1 resolution 1280x1024 position 0 0
default_border normal
CONF
  chown "$SWAY_USER": "$config"
  setpriv --reuid="$SWAY_USER" --regid="$SWAY_USER" --clear-groups \
    env -i PATH=/usr/bin:/bin HOME=/nonexistent XDG_RUNTIME_DIR="$dir" WLR_BACKENDS=headless WLR_RENDERER=pixman \
    WLR_LIBINPUT_NO_DEVICES=1 sway -c "$config" >"$ROOT/build/sway.log" 2>&1 &
  STARTED_PIDS+=($!)
  local tries=0 socket=""
  until socket=$(compgen -G "$dir/sway-ipc.*.sock") && [ -S "$dir/wayland-1" ] &&
      SWAYSOCK=$socket swaymsg -t get_outputs >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ $tries -gt 300 ]; then log "sway did not start (build/sway.log)"; return 1; fi
    sleep 0.1
  done
  client=$(mktemp -d /tmp/strumlet-wlclient.XXXXXX)
  STARTED_DIRS+=("$client")
  chmod 0700 "$client"
  export WAYLAND_DISPLAY="$dir/wayland-1" SWAYSOCK="$socket" XDG_RUNTIME_DIR="$client"
  log "headless sway: WAYLAND_DISPLAY=$WAYLAND_DISPLAY"
}
