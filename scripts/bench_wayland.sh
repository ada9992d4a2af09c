#!/usr/bin/env bash
# Runs the Wayland edition's typing benchmark on a throwaway headless sway:
# characters per second into a raw-mode foot through the typing engine and
# through wtype, their ratio and the characters lost.
#   scripts/bench_wayland.sh [characters]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
trap cleanup EXIT

bash "$ROOT/scripts/deps.sh"
cd "$ROOT"
cmake --preset linux >/dev/null
cmake --build --preset linux --target wayland_typing_bench
start_sway
"$ROOT/build/linux/bin/wayland_typing_bench" "${1:-5000}"
