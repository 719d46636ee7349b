#!/usr/bin/env bash
# The full-screen saver over the desktop copy: it covers the screen, hides
# the cursor, and ends on a mouse jump, a mouse button or a character key,
# but not on small mouse moves, Shift or the arrow keys.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
l_fresh_settings

/usr/bin/convert -size 1280x800 gradient:'#203080'-'#e0a030' \
  -fill '#ffffff' -draw 'circle 640,400 640,250' -fill '#c02020' -draw 'rectangle 80,80 400,300' \
  "$H_TMP/desktop.png"
h_set_desktop_image "$H_TMP/desktop.png"
h_screenshot before.png

# 1. Covers the screen with the desktop copy; the cursor is hidden.
h_mouse_to 100 400
l_start saver /s
info=$(l_wait_saver)
[ "$(l_value x "$info"),$(l_value y "$info"),$(l_value width "$info"),$(l_value height "$info")" = 0,0,1280,800 ] ||
  h_fail "saver window is not at (0,0) 1280x800: $info"
[ "$(l_value visible "$info")" = 1 ] || h_fail "saver window is not visible"
[ "$(l_value title "$info")" = Lumora ] || h_fail "saver window title is not Lumora"
h_pass "saver window covers the screen"
l_expect_desktop_shown 1280 "the saver shows the desktop copy"
cursor=$(l_probe cursor)
[ "$(l_value showing "$cursor")" = 0 ] || h_fail "the cursor is showing: $cursor"
h_pass "the cursor is hidden"

# 2. Moves of 15 px per event across the screen leave it running.
for _ in $(seq 1 70); do h_mouse_rel 15 0; sleep 0.02; done
for _ in $(seq 1 20); do h_mouse_rel 0 15; sleep 0.02; done
l_expect_runs "$saver" 1 "moves of 15 px per event leave the saver running"
# ...and one jump of 21 px ends it.
h_mouse_rel 21 0
l_expect_ends "$saver" 5 "a mouse jump of 21 px ends the saver"
[ "$(l_value showing "$(l_probe cursor)")" = 1 ] || h_fail "the cursor is not shown again"

# 3. Shift and the arrow keys leave it running; a character key ends it.
l_start saver /s
l_wait_saver >/dev/null
l_saver_settled
h_key shift Left Right Up Down shift+Up
l_expect_runs "$saver" 1.5 "Shift and the arrow keys leave the saver running"
h_key a
l_expect_ends "$saver" 5 "a character key ends the saver"

# 4. A mouse button ends it.
l_start saver /s
l_wait_saver >/dev/null
l_saver_settled
h_click 3
l_expect_ends "$saver" 5 "a mouse button ends the saver"
