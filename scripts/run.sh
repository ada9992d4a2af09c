#!/usr/bin/env bash
# Builds the program and runs it for real under Wine: Wine's Notepad is
# opened as the target, and Strumlet starts with a documented command line
# that types into it every five seconds. Then the Linux edition does the same
# into an xterm. On your own X display (DISPLAY set) the script waits until
# you close each Strumlet; on the virtual display it starts for you, it saves
# screenshots to docs/screenshots/ (STRUMLET_SHOTS names another folder) and
# stops.
#
#   scripts/run.sh [--keep] [arguments for strumlet.exe]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
trap cleanup EXIT

keep=0
if [ "${1:-}" = "--keep" ]; then keep=1; shift; fi
args=${*:-"/Untitled - Notepad/hello{2}world~/5/loop"}

bash "$ROOT/scripts/deps.sh"
cd "$ROOT"
preset=$(run_preset)
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target strumlet

own_display=0
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then own_display=1; fi
start_display 1
setup_wine

wait_window() {  # name pattern, seconds[, process id]; prints the X window id
  local pattern=$1 limit=$2 pid=${3:-} id="" t=0
  while [ -z "$id" ] && [ "$t" -lt $((limit * 10)) ]; do
    if [ -n "$pid" ]; then
      id=$(xdotool search --onlyvisible --pid "$pid" --name "$pattern" 2>/dev/null | head -n 1 || true)
    else
      id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
    fi
    [ -n "$id" ] || { sleep 0.1; t=$((t + 1)); }
  done
  [ -n "$id" ] && printf '%s\n' "$id"
}

log "starting Notepad"
wine notepad >/dev/null 2>&1 &
STARTED_PIDS+=($!)
notepad=$(wait_window '^Untitled - Notepad$' 60) || { log "Notepad did not open"; exit 1; }
# Beside the place where Strumlet opens, so that both can be seen.
xdotool windowmove "$notepad" 420 40 2>/dev/null || true

shots="${STRUMLET_SHOTS:-$ROOT/docs/screenshots}"
mkdir -p "$shots"
if [ "$own_display" = 0 ]; then
  # Pictures of the secondary windows, from an instance that waits ten
  # minutes before it would send anything. The tour (tests/wine/tour.cpp)
  # clicks each window's button, found by its id, says which window opened,
  # and waits until its picture has been taken.
  cmake --build --preset "$preset" --target strumlet_tour
  coproc TOUR { wine "$ROOT/build/$preset/bin/strumlet_tour.exe" "/Untitled - Notepad/hello~/600/loop" 2>/dev/null; }
  tour_pid=$TOUR_PID
  STARTED_PIDS+=($tour_pid)
  # Copies of the pipes that outlive the coprocess's own.
  exec {tour_out}<&"${TOUR[0]}" {tour_in}>&"${TOUR[1]}"
  while IFS=' ' read -r picture caption <&"$tour_out"; do
    caption=${caption%$'\r'}
    window=$(wait_window "^$caption\$" 20) && { sleep 1; import -window "$window" "$shots/$picture.png"; }
    echo >&"$tour_in"
  done
  exec {tour_out}<&- {tour_in}>&-
  # It must be gone before the next one starts, or its closing window would
  # be taken for the new one.
  wait "$tour_pid" || log "the tour ended with exit code $?"
  log "screenshots: help-window.png, window-list.png, about-window.png"
fi

log "starting: strumlet.exe $args"
# The words are passed unquoted, so that the program's command line reads as
# typed at a Windows prompt (wine would quote an argument holding blanks).
set -f
# shellcheck disable=SC2086
wine "$ROOT/build/$preset/bin/strumlet.exe" $args >/dev/null 2>&1 &
set +f
strumlet_pid=$!
STARTED_PIDS+=($strumlet_pid)
main=$(wait_window 'Strumlet$' 60) || { log "the main window did not open"; exit 1; }
if [ "$own_display" = 0 ] || [ "$keep" = 0 ]; then
  sleep 1.5  # let the window paint before it is photographed
  import -window "$main" "$shots/main-window.png"
  import -window root "$shots/desktop.png"
  log "screenshots: $shots/main-window.png, $shots/desktop.png"
fi

if [ "$own_display" = 1 ] || [ "$keep" = 1 ]; then
  log "Strumlet is running; close its window to end"
  wait "$strumlet_pid" || true
else
  # Let one send cycle run, then photograph Notepad with what arrived.
  sleep 7
  import -window root "$shots/after-send.png"
  log "screenshot: $shots/after-send.png"
fi
# The Windows program is done: its loop would bring Notepad to the front
# while the Linux program types into its own target.
kill "$strumlet_pid" 2>/dev/null || true
wait "$strumlet_pid" 2>/dev/null || true

# The Linux edition, native on the same display: an xterm running cat is
# the text editor it types into; a copy of what cat reads shows when the
# first send has arrived.
log "building the Linux edition"
cmake --preset linux >/dev/null
cmake --build --preset linux --target strumlet
linux_args="/Untitled - Text Editor/hello{2}world~/5/loop"
typed="$ROOT/build/linux/run-typed.txt"
: >"$typed"
xterm -u8 -geometry 60x12+420+40 -T "Untitled - Text Editor" -e sh -c "exec tee -a '$typed'" >/dev/null 2>&1 &
STARTED_PIDS+=($!)
wait_window '^Untitled - Text Editor$' 60 >/dev/null || { log "the xterm did not open"; exit 1; }
log "starting: strumlet '$linux_args'"
"$ROOT/build/linux/bin/strumlet" "$linux_args" >/dev/null 2>&1 &
linux_pid=$!
STARTED_PIDS+=($linux_pid)
linux_main=$(wait_window '^[0-9-]* ?Strumlet$' 60 "$linux_pid") || { log "the Linux main window did not open"; exit 1; }
if [ "$own_display" = 0 ] || [ "$keep" = 0 ]; then
  # Painted once the count has moved on from where it started.
  for _ in $(seq 1 100); do
    case $(xdotool getwindowname "$linux_main" 2>/dev/null) in [0-9]*) break ;; esac
    sleep 0.1
  done
  import -window "$linux_main" "$shots/linux-main-window.png"
  import -window root "$shots/linux-before-send.png"
  log "screenshots: $shots/linux-main-window.png, $shots/linux-before-send.png"
fi
if [ "$own_display" = 1 ] || [ "$keep" = 1 ]; then
  log "the Linux Strumlet is running; close its window to end"
  wait "$linux_pid" || true
else
  # The first send ends with Enter, which hands the line to cat.
  for _ in $(seq 1 300); do
    grep -q helloworld "$typed" 2>/dev/null && break
    sleep 0.1
  done
  grep -q helloworld "$typed" || log "the Linux program's first send did not arrive"
  sleep 0.5  # let the xterm paint the line cat wrote back
  import -window root "$shots/linux-after-send.png"
  log "screenshot: $shots/linux-after-send.png"
  log "screenshots are in $shots"
fi

# --- The Wayland edition on a headless sway ----------------------------------
# The same run, native on Wayland: a foot terminal running tee is the text
# editor, the program chooses its Wayland services (no DISPLAY), and grim
# takes the screenshots wayland-*.png. Only without a display of the user's.
if [ "$own_display" = 0 ] && [ "$keep" = 0 ]; then
  start_sway
  typed_wl="$ROOT/build/linux/run-typed-wayland.txt"
  : >"$typed_wl"
  foot -T "Untitled - Text Editor" sh -c "exec tee -a '$typed_wl'" >/dev/null 2>&1 &
  STARTED_PIDS+=($!)
  window_up() { swaymsg -t get_tree | jq -e --arg t "$1" '[.. | objects | select(.name? != null and (.name | test($t)))] | length > 0' >/dev/null; }
  for _ in $(seq 1 300); do window_up '^Untitled - Text Editor$' && break; sleep 0.1; done
  log "starting on Wayland: strumlet '$linux_args'"
  env -u DISPLAY "$ROOT/build/linux/bin/strumlet" "$linux_args" >/dev/null 2>&1 &
  wl_pid=$!
  STARTED_PIDS+=($wl_pid)
  for _ in $(seq 1 300); do window_up '^[0-9-]+ Strumlet$' && break; sleep 0.1; done
  sleep 0.5  # let it paint the count
  main_rect=$(swaymsg -t get_tree | jq -r '.. | objects | select(.name? != null and (.name | test("^[0-9-]+ Strumlet$"))) | "\(.rect.x),\(.rect.y) \(.rect.width)x\(.rect.height)"' | head -1)
  grim -g "$main_rect" "$shots/wayland-main-window.png"
  grim "$shots/wayland-before-send.png"
  for _ in $(seq 1 300); do grep -q helloworld "$typed_wl" 2>/dev/null && break; sleep 0.1; done
  grep -q helloworld "$typed_wl" || log "the Wayland program's first send did not arrive"
  sleep 0.5  # let foot paint the line tee wrote back
  grim "$shots/wayland-after-send.png"
  log "screenshots: $shots/wayland-main-window.png, wayland-before-send.png, wayland-after-send.png"
fi
# --- end of the Wayland edition ----------------------------------------------
