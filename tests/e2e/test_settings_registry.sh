#!/usr/bin/env bash
# Settings imported into Wine's registry from a .reg file are read by the
# Win32 registry code exactly as the in-memory registry reads the same file;
# and the saver takes the background colour from them.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
l_fresh_settings
tool=${LUMORA_SETTINGS_TOOL:?}
sample="$H_ROOT/tests/data/settings-sample.reg"
h_reg_write_utf16 "$H_TMP/sample.reg" <"$sample"
h_reg_import "$H_TMP/sample.reg"

h_run_wine "$tool" --registry | tr -d '\r' >"$H_TMP/from-registry.txt"
h_run_wine "$tool" --reg "$(_h_winpath "$H_TMP/sample.reg")" | tr -d '\r' >"$H_TMP/from-file.txt"
diff -u "$H_TMP/from-file.txt" "$H_TMP/from-registry.txt" >"$H_TMP/diff.txt" ||
  h_fail "the registry and the file read differently: $(cat "$H_TMP/diff.txt")"
for line in 'Draw Wait=59' 'Point Cast=C:\Windows\System32\別のセーバー.scr' 'LogFile=D:\ログ\lumora.log' \
  'Folders2: F:\Music "live"' 'DataSet0: D:\写真\2024' 'DataSet0: D:\Photos' 'BackColor=3368601'; do
  grep -qxF "$line" "$H_TMP/from-registry.txt" || h_fail "missing '$line' in $H_TMP/from-registry.txt"
done
! grep -q 'Ignored while there are groups\|After a gap' "$H_TMP/from-registry.txt" || h_fail "read entries it must skip"
h_pass "the Win32 registry reads the imported settings exactly as the in-memory registry"

# "Capture" off: the saver starts over "BackColor" (0x00336699: red 0x99,
# green 0x66, blue 0x33) instead of the desktop.
h_mouse_to 640 400
l_start saver /s
l_wait_saver >/dev/null
l_saver_settled
h_screenshot background.png
[ "$(h_pixel background.png 640 400)" = "153,102,51" ] ||
  h_fail "the screen is $(h_pixel background.png 640 400), not the stored background colour"
h_pass "with Capture off the saver shows the stored background colour"
h_key q
l_expect_ends "$saver" 5 "the saver ends on a key"
[ "$(h_reg_query 'HKEY_CURRENT_USER\Software\Orvane\Lumora' DataSetNo)" = "dword:00000000" ] ||
  h_fail "DataSetNo was not counted up from 1 to 0 (of 2 groups)"
h_pass "closing counts the start group up and stores it"
