#!/usr/bin/env bash
# Test fixture: an X keyboard layout on the display fixture's display.
#   layout.sh STATE_DIR LAYOUT   sets LAYOUT (us, de, fr, ...) and checks
#                                that it is in force
# Its set-up sets the layout its tests need; its clean-up sets us again.
set -euo pipefail
source "$(dirname "$0")/common.sh"

[ $# -eq 2 ] || fail "usage: layout.sh STATE_DIR LAYOUT"
use_fixture_display "$1" || fail "no virtual display: the display fixture has not started one"
setxkbmap "$2" || fail "setxkbmap $2 failed on $DISPLAY"
setxkbmap -query | grep -Eq "^layout: +$2\$" || fail "the layout on $DISPLAY is not $2: $(setxkbmap -query)"
# What the keys under Q and Y of a US keyboard type now, as the server's
# keymap has them (a, y on French keyboards; q, z on German ones).
keysym() {
  xkbcomp -a "$DISPLAY" - 2>/dev/null | sed -n "/key <$1> {/,/}/s/.*symbols\\[Group1\\]= \\[ *\\([^ ,]*\\).*/\\1/p"
}
log "keyboard layout $2 on $DISPLAY (the keys under Q and Y type $(keysym AD01) and $(keysym AD06))"
