#!/usr/bin/env bash
# Runs a test program for ctest in what the fixtures set up (it is the
# program's CROSSCOMPILING_EMULATOR: ctest lists and runs the program
# through it; see cmake/StrumletTests.cmake).
#   launch.sh STATE_DIR [--display] [--fixture NAME]... [--wine PREFIX LOADER]
#             [--start-attempts N] -- PROGRAM ARGS...
# --display   DISPLAY from the display fixture's state in STATE_DIR (as
#             inherited while no display fixture runs, as when ctest lists
#             the tests before any fixture has started)
# --fixture   the variables the fixture NAME wrote for its tests
#             (STATE_DIR/NAME.test.env, VARIABLE=value lines)
# --wine      the program runs under Wine (LOADER) in PREFIX
# --start-attempts N
#             A test program always writes to standard output first (its
#             test list, or the run's header). One that ends with a failure
#             without having written a single byte never reached its main
#             function: under Wine on a loaded machine, a start now and then
#             fails that way. Such a start, and only such a start, is tried
#             again, up to N starts in all; each retry is said on standard
#             error and logged to STATE_DIR/start-retries.log. A test that
#             fails after it has started is never run again.
set -euo pipefail
source "$(dirname "$0")/common.sh"

state=${1:?usage: launch.sh STATE_DIR [options] -- PROGRAM ARGS...}
shift
display=0 prefix='' loader='' attempts=1 fixtures=()
while [ $# -gt 0 ]; do
  case $1 in
    --display) display=1 ;;
    --fixture) fixtures+=("$2"); shift ;;
    --wine) prefix=$2 loader=$3; shift 2 ;;
    --start-attempts) attempts=$2; shift ;;
    --) shift; break ;;
    *) fail "unknown option $1" ;;
  esac
  shift
done
[ $# -gt 0 ] || fail "no program to run"
what="$(basename "$1") ${*:2}"

unset WAYLAND_DISPLAY
if [ "$display" = 1 ] && ! use_fixture_display "$state"; then
  # Listing the tests needs none; a test does.
  case " $* " in
    *" --gtest_list_tests "*) ;;
    *) log "no display fixture runs (no live Xvfb in $state/display.env): DISPLAY=${DISPLAY:-(none)}" ;;
  esac
fi
for fixture in "${fixtures[@]}"; do
  if [ -f "$state/$fixture.test.env" ]; then
    while IFS='=' read -r key value; do
      [[ $key =~ ^[A-Za-z_][A-Za-z0-9_]*$ ]] && export "$key=$value"
    done <"$state/$fixture.test.env"
  fi
done
if [ -n "$prefix" ]; then
  wine_env "$prefix" "$loader"
  [ -f "$prefix/.strumlet-ready" ] || bash "$(dirname "$0")/wine.sh" prepare "$prefix" "$loader" >&2
  set -- "$WINELOADER" "$@"
fi

if [ "$attempts" -le 1 ]; then
  exec "$@"
fi

out=$(mktemp)
trap 'rm -f "$out"' EXIT
for ((attempt = 1; ; attempt++)); do
  set +e
  "$@" | tee "$out"
  rc=${PIPESTATUS[0]}
  set -e
  if [ "$rc" -eq 0 ] || [ -s "$out" ]; then
    break
  fi
  if [ "$attempt" -ge "$attempts" ]; then
    log "not started: ${what% } ended with exit code $rc before writing anything, $attempts times: giving up"
    break
  fi
  log "not started: ${what% } ended with exit code $rc before writing anything (start $attempt of $attempts); starting it again"
  mkdir -p "$state"
  printf '%s exit code %s, start %s of %s: %s\n' "$(date '+%F %T')" "$rc" "$attempt" "$attempts" "${what% }" \
    >>"$state/start-retries.log"
done
exit "$rc"
