#!/usr/bin/env bash
# The display-history log of the real saver: banners, the version line,
# picture lines, key markers, the end of the show, trimming at start and a
# log that cannot be written.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
h_mouse_to 640 400
version=$(sed -n 's/^project(Lumora VERSION \([0-9.]*\).*/\1/p' "$H_ROOT/CMakeLists.txt")

pictures="$H_TMP/pictures"
mkdir -p "$pictures"
for n in 1 2 3; do printf 'x' >"$pictures/p$n.jpg"; done
# A path the log's code page (1252 here) cannot hold.
japanese="$H_TMP/写真"
mkdir -p "$japanese"
printf 'x' >"$japanese/夏.jpg"
logdir="$H_TMP/logs"  # made by the saver: one missing level
log="$logdir/history.log"

# l_log_settings WINDOWS-PATH: a show of three pictures that never ends by
# itself, logging to the path.
l_log_settings() {
  l_no_settings
  l_settings '"Draw Wait"=dword:00000005' '"MediaPlayer"=dword:00000000' '"End Option"=dword:00000002' \
    "\"LogFile\"=\"${1//\\/\\\\}\""
  printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Orvane\\Lumora\\Folders]\n"0000"="%s"\n"0001"="%s"\n' \
    "$(_h_winpath "$japanese" | sed 's/\\/\\\\/g')" "$(_h_winpath "$pictures" | sed 's/\\/\\\\/g')" |
    h_reg_write_utf16 "$H_TMP/folders.reg"
  h_reg_import "$H_TMP/folders.reg"
}
# lines FILE: the log's lines without their CR.
lines() { tr -d '\r' <"$1"; }

l_log_settings "$(_h_winpath "$log")"
l_start saver /s
l_wait_saver >/dev/null
h_wait_for '[ "$(lines "$log" | wc -l)" -ge 2 ]' 10 "no start banner and version line in $log"
l_saver_settled
lines "$log" | sed -n 1p | grep -Eq $'^--- START ---\t[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}$' ||
  h_fail "start banner: $(lines "$log" | sed -n 1p | cat -A)"
[ "$(lines "$log" | sed -n 2p)" = "Version $version" ] || h_fail "version line: $(lines "$log" | sed -n 2p)"
h_pass "the start banner and \"Version $version\" open the log"
h_wait_for 'grep -q "p[123]\.jpg" "$log"' 10 "no picture lines"
winpictures=$(_h_winpath "$pictures")
lines "$log" | grep -F ", $winpictures\\p" | head -n1 | grep -Eq '^[0-9].*, Z:\\.*\\p[123]\.jpg$' ||
  h_fail "no picture line of the form 'date time, path': $(lines "$log" | sed -n 3p)"
h_pass "each picture taken adds 'date time, path'"
lines "$log" | grep -Eq ', Z:\\.*\\[?][?]\\[?]\.jpg$' ||
  h_fail "no best-fit line for the Japanese path: $(lines "$log" | sed -n 3,6p)"
h_pass "a path the code page cannot hold is logged in its best fit, and the show goes on"

h_key space
l_expect_runs "$saver" 1.5 "the space bar leaves the saver running"
h_wait_for 'grep -q ", Press Key!!" "$log"' 5 "no key marker for the space bar"
h_key q
l_expect_ends "$saver" 10 "another key ends it"
lines "$log" | tail -n 4 >"$H_TMP/tail.txt"
sed -n 1p "$H_TMP/tail.txt" | grep -q ', Press Key!!$' || h_fail "no marker for the space bar: $(cat "$H_TMP/tail.txt")"
sed -n 2p "$H_TMP/tail.txt" | grep -q ', Press Key!!$' || h_fail "no marker for the ending key: $(cat "$H_TMP/tail.txt")"
sed -n 3p "$H_TMP/tail.txt" | grep -q ', ABORT!!$' || h_fail "no ABORT line after the marker: $(cat "$H_TMP/tail.txt")"
sed -n 4p "$H_TMP/tail.txt" | grep -Eq $'^--- END ---\t[0-9]{4}-[0-9]{2}-[0-9]{2}\t[0-9]' ||
  h_fail "no end banner last: $(cat "$H_TMP/tail.txt")"
[ "$(grep -c $'\r$' "$log")" = "$(wc -l <"$log")" ] || h_fail "not every line ends in CR LF"
h_pass "space and ending key markers, then ABORT and the end banner, lines ended by CR LF"

# A log of 10,001 lines is cut to its last 100 before the new banner.
seq -f 'old line %g' 10001 | sed 's/$/\r/' >"$log"
l_start saver /s
l_wait_saver >/dev/null
h_wait_for 'grep -q START "$log"' 10 "no new start banner"
[ "$(lines "$log" | sed -n 1p)" = "old line 9902" ] || h_fail "first line after trimming: $(lines "$log" | sed -n 1p)"
[ "$(lines "$log" | sed -n 100p)" = "old line 10001" ] || h_fail "line 100 after trimming: $(lines "$log" | sed -n 100p)"
lines "$log" | sed -n 101p | grep -q '^--- START ---' || h_fail "line 101 is not the start banner"
[ ! -e "$logdir/history.bak" ] || h_fail "the .bak copy was left behind"
h_pass "a log of 10,001 lines was cut to its last 100 lines at start"
l_saver_settled
h_key q
l_expect_ends "$saver" 10 "the saver ends"

# A log that another program holds open during the show: its lines cannot
# be written; the failure shows in red at the bottom of the screen and the
# show and the keys go on as usual.
l_start saver /s
l_wait_saver >/dev/null
h_wait_for 'grep -q "START" "$log"' 10 "no start banner"
l_saver_settled
h_start holder -- "$L_PROBE" hold-file "$(_h_winpath "$log")" 30
h_wait_for 'grep -q held=1 "$H_TMP"/proc*-lumora-probe.exe.out' 10 "the probe could not hold the log"
h_key space
l_expect_runs "$saver" 3 "with its log held by another program the saver keeps running after the space bar"
h_screenshot held.png
red=$(/usr/bin/convert "$H_TMP/held.png" -crop 1280x60+0+740 +repage \
  -fx '(r>0.75 && g<0.3 && b<0.3) ? 1 : 0' -format '%[fx:round(mean*w*h)]' info:)
[ "$red" -gt 20 ] || h_fail "no red error text at the bottom (see $H_TMP/held.png)"
h_pass "the write failure is shown in red ($red pixels)"
h_key q
l_expect_ends "$saver" 10 "a key still ends the saver when its marker cannot be written"

# A log whose folder cannot exist (its parent is a file): no log, and the
# saver runs as usual.
printf 'a file' >"$H_TMP/afile"
l_log_settings "$(_h_winpath "$H_TMP/afile")\\sub\\history.log"
l_start saver /s
l_wait_saver >/dev/null
l_expect_runs "$saver" 4 "with a log that cannot be written the saver runs"
h_key q
l_expect_ends "$saver" 10 "and ends on a key"
