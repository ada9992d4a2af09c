#!/usr/bin/env bash
# Runs the Linux edition's window-walk benchmark on a throwaway virtual
# display with openbox: one listing of a desktop of a few hundred windows
# through the program's walk and through a bare _NET_CLIENT_LIST and title
# loop, and their ratio.
#   scripts/bench_x11_walk.sh [windows]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
trap cleanup EXIT

bash "$ROOT/scripts/deps.sh"
cd "$ROOT"
cmake --preset linux >/dev/null
cmake --build --preset linux --target x11_walk_bench
start_display 0
"$ROOT/build/linux/bin/x11_walk_bench" "${1:-400}"
