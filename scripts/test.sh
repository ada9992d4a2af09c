#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# natively (with sanitizers and a short fuzzing run) and under Wine.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
trap cleanup EXIT

bash "$ROOT/scripts/deps.sh"
cd "$ROOT"

for preset in native win32 win64; do
  log "configure and build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

log "native tests"
ctest --preset native

start_display 0
setup_wine
for preset in win32 win64; do
  if [ "$preset" = win32 ] && ! wine32_runs; then
    log "this kernel does not run 32-bit programs: win32 gets the executable check only"
    ctest --preset win32 -R '^executable_inspection$'
    continue
  fi
  log "tests under Wine: $preset"
  ctest --preset "$preset"
done
