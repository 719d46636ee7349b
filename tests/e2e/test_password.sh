#!/usr/bin/env bash
# The older consumer family's own password check, with a stand-in
# PASSWORD.CPL in the system folder: a refused password keeps the show
# running (and asks again next time), an accepted one ends it.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
l_fresh_settings
l_password_standin
trap 'l_password_remove; h_cleanup' EXIT

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
