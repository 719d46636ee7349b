#!/usr/bin/env bash
# Pictures on screen: a queue of a text file, a truncated JPEG, a PNG and a
# JPEG stored sideways with EXIF orientation 6. Every file gets its log
# line, the broken ones show nothing, the good ones appear centred "Draw
# Wait" seconds apart, the sideways one upright, and "End Option" 0 ends the
# show after the last. Then the whole demo set goes through.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
# The pointer rests away from the sound player window in the bottom-right
# corner, so that a click reaches the saver.
h_mouse_to 1270 10
convert=/usr/bin/convert

# One folder per file: folders are listed in the order of the list.
q="$H_TMP/queue"
mkdir -p "$q/1" "$q/2" "$q/3" "$q/4"
echo "not a picture" >"$q/1/notes.txt"
$convert -size 640x480 gradient:red-blue "$q/2/whole.jpg"
head -c 3000 "$q/2/whole.jpg" >"$q/2/truncated.jpg"
rm "$q/2/whole.jpg"
$convert -size 400x300 xc:'#00ff00' "$q/3/green.png"
# Upright it is 300 × 400, red above blue; stored turned a quarter to the
# left (red left, blue right) with orientation 6 to turn it back.
$convert -size 200x300 xc:red -size 200x300 xc:blue +append -quality 95 "$q/4/sideways.jpg"
exiftool -q -overwrite_original -n -Orientation=6 "$q/4/sideways.jpg"

log="$H_TMP/pictures.log"
show_settings() { # DRAW-WAIT
  l_no_settings
  l_settings '"Draw Posision"=dword:00000000' '"Graphics Size"=dword:00000000' '"Scroll"=dword:00000000' \
    '"Screen Clear"=dword:00000000' '"Point Cast"="なし"' '"Random Sort"=dword:00000000' \
    '"Random Sort S"=dword:00000000' '"Capture"=dword:00000000' '"BackColor"=dword:00000000' \
    "\"Draw Wait\"=dword:0000000$1" '"MediaPlayer"=dword:00000000' '"End Option"=dword:00000000' \
    "\"LogFile\"=\"$(_h_winpath "$log" | sed 's/\\/\\\\/g')\""
}
# colour_at FILE X Y: "red", "green", "blue", "black" or the raw value.
colour_at() {
  local rgb r g b
  rgb=$(h_pixel "$1" "$2" "$3")
  IFS=, read -r r g b <<<"$rgb"
  if [ "$r" -gt 190 ] && [ "$g" -lt 70 ] && [ "$b" -lt 70 ]; then echo red
  elif [ "$g" -gt 190 ] && [ "$r" -lt 70 ] && [ "$b" -lt 70 ]; then echo green
  elif [ "$b" -gt 190 ] && [ "$r" -lt 70 ] && [ "$g" -lt 70 ]; then echo blue
  elif [ "$r" -lt 30 ] && [ "$g" -lt 30 ] && [ "$b" -lt 30 ]; then echo black
  else echo "$rgb"; fi
}
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

show_settings 3
l_folders_reg "$q/1" "$q/2" "$q/3" "$q/4" | h_reg_write_utf16 "$H_TMP/folders.reg"
h_reg_import "$H_TMP/folders.reg"
l_start saver /s
l_wait_saver >/dev/null

# The PNG: 400 × 300 green, centred at (440, 250).
# wait_colour X Y COLOUR TRIES: polls screenshots until the pixel shows the
# colour; prints the time it did (nothing when it never did).
wait_colour() {
  local _
  for _ in $(seq "$4"); do
    h_screenshot shot.png
    if [ "$(colour_at shot.png "$1" "$2")" = "$3" ]; then now; return; fi
    sleep 0.1
  done
}

green_at=$(wait_colour 640 400 green 150)
[ -n "$green_at" ] || h_fail "the PNG never appeared in the middle (see $H_TMP/shot.png)"
cp "$H_TMP/shot.png" "$H_TMP/png.png"
for p in "441 251" "838 548"; do
  # shellcheck disable=SC2086
  [ "$(colour_at png.png $p)" = green ] || h_fail "the PNG is not at (440, 250) to (839, 549): $p"
done
for p in "438 400" "841 400" "640 248" "640 551"; do
  # shellcheck disable=SC2086
  [ "$(colour_at png.png $p)" = black ] || h_fail "something besides the PNG was drawn at $p: $(colour_at png.png $p)"
done
h_pass "the PNG appears centred, nothing of the text file or the truncated JPEG"

# The JPEG, upright: 300 × 400 at (490, 200), red above blue.
jpeg_at=$(wait_colour 640 300 red 100)
[ -n "$jpeg_at" ] || h_fail "the JPEG never appeared (see $H_TMP/shot.png)"
gap=$(awk -v a="$green_at" -v b="$jpeg_at" 'BEGIN { printf "%.1f", b - a }')
awk -v g="$gap" 'BEGIN { exit !(g >= 2.3 && g <= 4.6) }' || h_fail "the JPEG came $gap s after the PNG, not 3 s"
h_pass "the JPEG followed the PNG after $gap s (\"Draw Wait\" 3)"
sleep 0.5
h_screenshot jpeg.png
[ "$(colour_at jpeg.png 540 300)" = red ] && [ "$(colour_at jpeg.png 740 300)" = red ] &&
  [ "$(colour_at jpeg.png 540 500)" = blue ] && [ "$(colour_at jpeg.png 740 500)" = blue ] ||
  h_fail "the sideways JPEG is not upright (red above blue) at (490, 200) (see $H_TMP/jpeg.png)"
[ "$(colour_at jpeg.png 460 400)" = green ] || h_fail "the PNG around the JPEG is gone"
h_pass "the JPEG with orientation 6 stands upright, 300 × 400, over the PNG"

started=$(now)
l_expect_ends "$saver" 30 "\"End Option\" 0 ends the show after the last picture"
echo "ended $(since "$started") s after the last picture" >"$H_TMP/end.txt"
tr -d '\r' <"$log" >"$H_TMP/log.txt"
for f in 1/notes.txt 2/truncated.jpg 3/green.png 4/sideways.jpg; do
  grep -qF ", $(_h_winpath "$q/$f")" "$H_TMP/log.txt" || h_fail "no log line for $f"
done
h_pass "every file of the queue has its log line, broken ones included"

# The demo set, one picture a second: every file is logged and the show
# ends by itself.
demo="$H_ROOT/build/demo-pictures"
bash "$H_ROOT/tools/make-demo-pictures.sh" "$demo" >/dev/null
rm -f "$log"
show_settings 1
l_folders_reg "$demo" | h_reg_write_utf16 "$H_TMP/folders.reg"
h_reg_import "$H_TMP/folders.reg"
l_start saver /s
l_wait_saver >/dev/null
sleep 8
h_screenshot demo.png
[ "$(h_diff_pixels demo.png png.png 10)" -gt 100000 ] || h_fail "the demo pictures do not show (see $H_TMP/demo.png)"
l_expect_ends "$saver" 90 "the demo set goes through and the show ends"
count=$(find "$demo" -maxdepth 1 -type f | wc -l)  # .complete too: every file is queued
logged=$(tr -d '\r' <"$log" | grep -c ', Z:' || true)
[ "$logged" = "$count" ] || h_fail "$logged of the $count demo pictures were logged"
h_pass "all $count files of the demo set were taken and logged"
