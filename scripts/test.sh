#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# natively (with sanitizers and a short fuzzing run), under Wine, and the
# Linux edition's, headless and on a virtual display.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
trap cleanup EXIT

bash "$ROOT/scripts/deps.sh"
cd "$ROOT"

# The tests under Wine, on a display of their own: nothing the Linux tests
# leave behind (the window manager's focus history, a window closing late)
# reaches them. They run alone: under Wine, the foreground and the first
# message of a program come late when the X11 tests run beside them.
wine_stage() {
  start_display 0
  setup_wine
  local preset layout
  for preset in win32 win64; do
    if [ "$preset" = win32 ] && ! wine32_runs; then
      # ctest would start every test program to list its tests, so the check
      # of the executable runs by itself.
      log "this kernel does not run 32-bit programs: win32 gets the executable check only"
      sh "$ROOT/build/win32/inspect_exe.sh"
      continue
    fi
    log "tests under Wine: $preset"
    ctest --preset "$preset"
    # The typing tests again under other keyboard layouts. Wine reads the X
    # layout when each program starts, and every test starts its own.
    for layout in de fr; do
      log "typing tests under Wine: $preset, X keyboard layout $layout"
      setxkbmap "$layout"
      STRUMLET_LAYOUT=$layout ctest --preset "$preset" -R '^(RealTyping|RealSend\.TheNotation)'
    done
    setxkbmap us
  done
}

# The Wayland edition on a headless sway: its services and the real program
# against foot, GTK 3 and Qt 6 windows; without DISPLAY, so that the program
# chooses its backend as on a Wayland desktop without XWayland.
wayland_stage() {
  start_sway
  log "Wayland edition: the services and the program on a headless sway"
  env -u DISPLAY ctest --preset linux -L wayland
}

for preset in native win32 win64 linux; do
  log "configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

log "native tests"
ctest --preset native

# The Linux edition: its forms on the Qt backend, headless; then everything
# else (the typing, the program and its package) on the virtual display,
# against real X clients.
log "Linux edition: the forms on the Qt backend, headless"
QT_QPA_PLATFORM=offscreen ctest --preset linux -R '^QtForms\.'

start_display 0
log "Linux edition: typing, the program and its package, on the virtual display"
ctest --preset linux -E '^QtForms\.' -LE wayland

wayland_stage
wine_stage
log "every test passed"
