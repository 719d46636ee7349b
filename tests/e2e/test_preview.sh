#!/usr/bin/env bash
# Preview: a host window made by the probe gets the still icon picture in
# its middle; the saver ends when the host goes away.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
l_fresh_settings

out=$(l_probe host-preview "$(_h_winpath "$L_SCR")" 200 150 152 112 "$(_h_winpath "$H_TMP/preview.bmp")")
printf '%s\n' "$out" >"$H_TMP/preview.txt"
[ "$(l_value child "$out")" = 1 ] || h_fail "no saver window inside the host: $out"
[ "$(l_value child_pid_matches "$out")" = 1 ] || h_fail "the child window is not the saver's"
[ "$(l_value child_width "$out")x$(l_value child_height "$out")" = 152x112 ] || h_fail "preview size: $out"
[ "$(l_value running_before_close "$out")" = 1 ] || h_fail "the preview ended before its host closed"
[ "$(l_value ended "$out")" = 1 ] || h_fail "the preview did not end when its host closed"
[ "$(l_value exit "$out")" = 0 ] || h_fail "the preview ended with status $(l_value exit "$out")"
h_pass "the preview runs inside the host and ends with it"

/usr/bin/convert "$H_TMP/preview.bmp" "$H_TMP/preview.png"
corner=$(h_pixel preview.png 2 2)
for p in "149 2" "2 109" "149 109" "40 40" "110 70"; do
  # shellcheck disable=SC2086
  [ "$(h_pixel preview.png $p)" = "$corner" ] || h_fail "preview background is not plain at $p"
done
# The 32x32 icon sits at ((152-32)/2, (112-32)/2) = (60, 40).
icon=$(/usr/bin/convert "$H_TMP/preview.png" -crop 32x32+60+40 +repage -format '%k' info:)
[ "$icon" -gt 8 ] || h_fail "no icon in the middle of the preview (colours there: $icon)"
outside=$(/usr/bin/convert "$H_TMP/preview.png" -crop 32x32+0+0 +repage -format '%k' info:)
[ "$outside" = 1 ] || h_fail "the preview corner is not plain ($outside colours)"
h_pass "the preview shows the icon centred in the host ($icon colours in the middle)"
