#!/usr/bin/env bash
# Runs the Linux edition's typing benchmark on a throwaway virtual display:
# characters per second into a raw-mode xterm, the GTK 3 program and
# Chromium through the typing engine and through `xdotool type --delay 0`,
# their ratio and the characters lost, in rounds that take turns.
#   scripts/bench_x11.sh [characters [rounds [xterm] [gtk] [chromium]]]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
trap cleanup EXIT

bash "$ROOT/scripts/deps.sh"
cd "$ROOT"
cmake --preset linux >/dev/null
cmake --build --preset linux --target x11_typing_bench
start_display 0
"$ROOT/build/linux/bin/x11_typing_bench" "${1:-5000}" "${2:-2}" "${@:3}"
