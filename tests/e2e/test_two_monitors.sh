#!/usr/bin/env bash
# Two monitors, a 1024x768 one left of the 1280x800 primary: the saver's
# window starts at the left monitor and covers both, showing the desktop
# where it was.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init --two-monitors
l_fresh_settings

mon=$(l_probe monitors)
[ "$(grep -c '^monitor=' <<<"$mon")" = 2 ] || h_fail "Wine does not see two monitors: $mon"
[ "$(l_value virtual "$mon")" = "-1024,0,2304,800" ] || h_fail "virtual screen: $mon"

/usr/bin/convert -size 2304x800 gradient:'#103060'-'#f0c040' -fill '#20a040' -draw 'rectangle 100,100 900,600' \
  -fill '#c03030' -draw 'circle 1600,400 1600,200' -fill black -draw 'rectangle 1150,650 1500,760' \
  -draw 'polygon 150,760 400,640 650,760' "$H_TMP/desktop.png"
h_set_desktop_image "$H_TMP/desktop.png"
h_screenshot before.png

h_mouse_to 1500 400
l_start saver /s
l_wait_saver >/dev/null
# The window shows itself at the end of its creation and is placed over the
# monitors right after.
geometry_now() {
  local info
  info=$(l_wait_saver)
  geometry="$(l_value x "$info"),$(l_value y "$info") $(l_value width "$info")x$(l_value height "$info")"
  [ "$geometry" = "-1024,0 2304x800" ]
}
h_wait_for geometry_now 5 || h_fail "saver window is $geometry, not -1024,0 2304x800"
h_pass "the saver window starts at (-1024, 0) and covers 2304 x 800"
l_expect_desktop_shown 2304 "both monitors show the desktop where it was"
h_key q
l_expect_ends "$saver" 5 "the saver ends on a key"
