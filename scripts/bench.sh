#!/usr/bin/env bash
# Runs the benchmarks under Wine on a virtual display and prints their
# figures: typing throughput against a plain SendInput loop, the countdown
# timer's accuracy against a plain Windows timer, and the window walk against
# a bare EnumWindows loop.
#   scripts/bench.sh [characters] [ticks] [windows]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
trap cleanup EXIT

bash "$ROOT/scripts/deps.sh"
cd "$ROOT"
preset=$(run_preset)
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target typing_bench timer_bench walk_bench
start_display 0
setup_wine
bin="$ROOT/build/$preset/bin"
wine "$bin/typing_bench.exe" "${1:-5000}"
wine "$bin/timer_bench.exe" "${2:-60}"
wine "$bin/walk_bench.exe" "${3:-1000}"
