#!/usr/bin/env bash
# The end of a show: with "End Option" 0 and no pictures the saver ends by
# itself after its waits; with 2 it runs until input; at the end it hands
# over to the saver named by "Point Cast" (a path with blanks) with its own
# switch, and closes without asking for the password.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
h_mouse_to 640 400

# No picture folders, "End Option" 0: the timer (1 s after the 2 s of the
# first activation), the picture step's wait for files (5 s), the waits
# around the scanner restart (2 + 2 s) and the sleep (1.5 to 3.5 s). The
# first of three empty groups is shown (its announcement takes 2 s more),
# and closing moves the start group on by one, although the show's end
# closes the window twice (the end rule, then the loop's last request).
l_no_settings
l_settings '"Draw Wait"=dword:00000005' '"MediaPlayer"=dword:00000000' '"End Option"=dword:00000000' \
  '"DataSetCount"=dword:00000003' '"DataSetNo"=dword:00000000' '"DispAllDataSet"=dword:00000000' \
  '"GroupCountup"=dword:00000001'
l_start saver /s
l_wait_saver >/dev/null
started=$(date +%s.%N)
l_expect_ends "$saver" 30 "with nothing to show and \"End Option\" 0 the saver ends by itself"
took=$(awk -v a="$started" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }')
awk -v t="$took" 'BEGIN { exit !(t >= 13 && t <= 24) }' || h_fail "the end came after $took s, not after the waits (15.5 to 17.5 s)"
h_pass "it ended after $took s"
[ "$(h_reg_query 'HKCU\Software\Orvane\Lumora' DataSetNo)" = dword:00000001 ] ||
  h_fail "the start group moved on to $(h_reg_query 'HKCU\Software\Orvane\Lumora' DataSetNo), not to 1"
h_pass "closing moved the start group on once"

# "End Option" 2: it keeps running past that point, until a key.
l_fresh_settings
l_start saver /s
l_wait_saver >/dev/null
l_expect_runs "$saver" 20 "with \"End Option\" 2 the saver keeps running"
h_key q
l_expect_ends "$saver" 10 "and a key still ends it"

# The hand-over: a stand-in saver under a folder with blanks records the
# command line it gets.
other='C:\Program Files\Lumora Test\other saver.scr'
mkdir -p "$WINEPREFIX/drive_c/Program Files/Lumora Test"
cp "$LUMORA_BIN/other-saver.exe" "$WINEPREFIX/drive_c/Program Files/Lumora Test/other saver.scr"
# A program that the unquoted path would run instead.
cp "$LUMORA_BIN/other-saver.exe" "$WINEPREFIX/drive_c/Program Files/Lumora.exe"
handover="$H_TMP/handover.txt"
: >"$handover"
H_WINE_ENV+=("LUMORA_TEST_HANDOVER_LOG=$(_h_winpath "$handover")")
point_cast="\"Point Cast\"=\"${other//\\/\\\\}\""
# "Point Cast" is read in one run with the values before and after it.
first_run=('"Draw Posision"=dword:00000001' '"Graphics Size"=dword:00000002' '"Scroll"=dword:00000001'
  '"Screen Clear"=dword:00000000' "$point_cast" '"Random Sort"=dword:00000000' '"Random Sort S"=dword:00000000')

# "End Option" 0 on the older consumer family with a password set and a
# stand-in PASSWORD.CPL that refuses every password: the saver starts the
# other one and closes without asking.
l_password_standin
cleanup() {
  rm -rf "$WINEPREFIX/drive_c/Program Files/Lumora Test" "$WINEPREFIX/drive_c/Program Files/Lumora.exe"
  l_password_remove
  h_cleanup
}
trap cleanup EXIT
l_no_settings
l_settings '"Draw Wait"=dword:00000005' '"MediaPlayer"=dword:00000000' '"End Option"=dword:00000000' "${first_run[@]}"
l_start saver /s
l_wait_saver >/dev/null
l_expect_ends "$saver" 30 "after the show the saver hands over and closes"
for i in $(seq 50); do [ -s "$handover" ] && break; sleep 0.1; done
tr -d '\r' <"$handover" >"$H_TMP/lines.txt"
[ "$(cat "$H_TMP/lines.txt")" = "\"$other\" /s" ] || h_fail "the other saver got: $(cat "$H_TMP/lines.txt")"
[ ! -s "$calls" ] || h_fail "the saver asked for the password after the hand-over"
h_pass "the other saver started once with the quoted path and /s, and no password was asked"
# The rest runs on the NT family.
H_WINE_ENV+=(LUMORA_TEST_PLATFORM_ID=2)

# "End Option" 3 with pictures: the other saver starts after the first
# cycle, once, and the show goes on; the switch is passed as written.
pictures="$H_TMP/pictures"
mkdir -p "$pictures"
for n in 1 2 3; do printf 'x' >"$pictures/p$n.jpg"; done
folder_line="\"0000\"=\"$(_h_winpath "$pictures" | sed 's/\\/\\\\/g')\""
for sw in /S -s; do
  : >"$handover"
  l_no_settings
  l_settings '"Draw Wait"=dword:00000005' '"MediaPlayer"=dword:00000000' '"End Option"=dword:00000003' "${first_run[@]}"
  printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Orvane\\Lumora\\Folders]\n%s\n' "$folder_line" |
    h_reg_write_utf16 "$H_TMP/folders.reg"
  h_reg_import "$H_TMP/folders.reg"
  l_start saver "$sw"
  l_wait_saver >/dev/null
  l_expect_runs "$saver" 12 "with \"End Option\" 3 the saver goes on after the hand-over ($sw)"
  tr -d '\r' <"$handover" >"$H_TMP/lines.txt"
  [ "$(cat "$H_TMP/lines.txt")" = "\"$other\" $sw" ] || h_fail "the other saver got ($sw): $(cat "$H_TMP/lines.txt")"
  h_key q
  l_expect_ends "$saver" 10 "the other saver started once with $sw; a key ends this one"
done
