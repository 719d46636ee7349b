#!/usr/bin/env bash
# The older consumer family's own password check, with a stand-in
# PASSWORD.CPL in the system folder: a refused password keeps the show
# running (and asks again next time), an accepted one ends it.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
l_fresh_settings
case $LUMORA_WINE in *wine64) sysdir=system32 ;; *) sysdir=syswow64 ;; esac
cpl="$WINEPREFIX/drive_c/windows/$sysdir/PASSWORD.CPL"
[ -d "$(dirname "$cpl")" ] || sysdir=system32 cpl="$WINEPREFIX/drive_c/windows/system32/PASSWORD.CPL"
cp "$LUMORA_BIN/PASSWORD.CPL" "$cpl"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Control Panel\\desktop]\n"ScreenSaveUsePassword"=dword:00000001\n' |
  h_reg_write_utf16 "$H_TMP/password.reg"
h_reg_import "$H_TMP/password.reg"
restore() {
  rm -f "$cpl"
  h_run_wine reg delete 'HKCU\Control Panel\desktop' /v ScreenSaveUsePassword /f >/dev/null 2>&1 || true
  h_cleanup
}
trap restore EXIT

answer="$H_TMP/answer" calls="$H_TMP/calls"
echo 0 >"$answer"
: >"$calls"
H_WINE_ENV+=(LUMORA_TEST_PLATFORM_ID=1 "LUMORA_TEST_PASSWORD_ANSWER=$(_h_winpath "$answer")"
  "LUMORA_TEST_PASSWORD_CALLS=$(_h_winpath "$calls")")

h_mouse_to 640 400
l_start saver /s
l_wait_saver >/dev/null
l_saver_settled
h_key a
l_expect_runs "$saver" 1.5 "a refused password keeps the saver running"
[ "$(grep -c call "$calls")" = 1 ] || h_fail "the password was not asked once: $(cat "$calls")"
[ "$(l_value showing "$(l_probe cursor)")" = 0 ] || h_fail "the cursor is not hidden again after the refusal"
echo 1 >"$answer"
h_key b
l_expect_ends "$saver" 5 "an accepted password ends the saver"
[ "$(grep -c call "$calls")" = 2 ] || h_fail "the next key did not ask again: $(cat "$calls")"

# On the NT family the system asks, not the saver.
H_WINE_ENV+=(LUMORA_TEST_PLATFORM_ID=2)
echo 0 >"$answer"
l_start saver /s
l_wait_saver >/dev/null
l_saver_settled
h_key a
l_expect_ends "$saver" 5 "on the NT family the saver asks no password itself"
[ "$(grep -c call "$calls")" = 2 ] || h_fail "the NT family was asked for the password"
