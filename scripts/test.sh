#!/usr/bin/env bash
# The test command: installs what is missing, then runs the test plan, the
# workflow preset "plan" of CMakePresets.json. It configures and builds the
# native, Linux, win32 and win64 configurations, then runs the stages one
# after the other, as ctest test presets: the native unit tests, the Linux
# edition's forms headless, its tests on two virtual displays side by side
# (two lanes: cmake/TestFixtures.cmake), on a headless
# sway, and then, alone, the Windows builds' tests under Wine on a display of
# their own, and their typing tests again under the de and fr layouts. Under
# Wine the foreground and a program's first message come late when the X11
# tests run beside them: the Wine stages never do.
# ctest starts and stops the displays, the sway, the Wine prefix's server and
# the keyboard layouts itself, as fixtures (cmake/StrumletTests.cmake). Each
# stage's log is build/plan/logs/<stage>.log; ctest ends it with each
# label's test time.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

bash scripts/deps.sh

stamp() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*"; }

# Starts of test programs under Wine that were tried again (see
# scripts/ctest/launch.sh), from this run's logs.
retries() {
  local log
  for log in build/*/fixtures/start-retries.log; do
    [ -f "$log" ] || continue
    awk -v since="$started" 'substr($0, 1, 19) >= since' "$log"
  done
}
# A run that was cut short (ctest killed) could not run its fixtures'
# clean-up: stop what their state files still name, by PID.
leftovers() {
  local state
  for state in build/*/fixtures build/*/fixtures/lane*; do
    [ -d "$state" ] || continue
    [ -f "$state/wine.env" ] && bash scripts/ctest/wine.sh stop "$state"
    [ -f "$state/sway.env" ] && bash scripts/ctest/sway.sh stop "$state"
    [ -f "$state/display.env" ] && bash scripts/ctest/display.sh stop "$state"
  done
  return 0
}
report() {
  local rc=$? found
  leftovers
  found=$(retries)
  if [ -n "$found" ]; then
    stamp "test programs that wrote nothing and were started again:"
    printf '%s\n' "$found"
  fi
  if [ "$rc" -eq 0 ]; then
    stamp "every test passed ($((SECONDS / 60)) min $((SECONDS % 60)) s)"
  else
    stamp "the test plan failed ($((SECONDS / 60)) min $((SECONDS % 60)) s; logs: build/plan/logs/)"
  fi
}

started=$(date '+%F %T')
SECONDS=0
trap report EXIT
stamp "test plan: cmake --workflow --preset plan"
cmake --workflow --preset plan 2>&1 | while IFS= read -r line; do
  case $line in
    "Executing workflow step"*) stamp "$line" ;;
    *) printf '%s\n' "$line" ;;
  esac
done
