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

# Wine shows what a window of another process draws inside the host only
# blank (the host's screen area, an X screenshot and PrintWindow alike), so
# the picture itself is checked by the Win32 tests with an in-process host.
# The capture is kept for a look.
/usr/bin/convert "$H_TMP/preview.bmp" "$H_TMP/preview.png"
