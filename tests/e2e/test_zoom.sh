#!/usr/bin/env bash
# The zoom-out effect of ".JPG" pictures, from screenshots of the real
# saver: with "Zoom" on and "Draw Wait" 3 the picture's place first shows
# its centre enlarged (the red middle of a blue picture fills it), then
# the whole picture; ".jpeg", ".png" and ".gif" files come without the
# effect; with "Rotate" the turned picture zooms, from the temporary bitmap
# it was saved to; a key during the effect ends the saver at once.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
# The pointer rests away from the sound player window in the bottom-right
# corner, so that a click reaches the saver.
h_mouse_to 1270 10
convert=/usr/bin/convert

# target NAME EXT: an 800 × 600 blue picture whose middle quarter (200 ×
# 150 … 600 × 450) is red, in a folder of its own.
target() {
  mkdir -p "$H_TMP/pictures/$1"
  $convert -size 800x600 'xc:rgb(0,0,255)' -fill 'rgb(255,0,0)' -draw 'rectangle 200,150 599,449' \
    -quality 95 "$H_TMP/pictures/$1/$1.$2"
}
target plain JPG
target four jpeg
target png png
target gif gif

# close_up SHOT X Y W H: whether the rectangle is all red (the close-up).
close_up() {
  local red
  red=$(l_rects "$H_TMP/$1" 255,0,0 40 "$2" "$3" "$4" "$5" | cut -d' ' -f5)
  [ "$red" != none ] && [ "$red" -ge $(($4 * $5 * 98 / 100)) ]
}
# whole SHOT X Y: the picture at (X, Y) whole: blue corners, red middle.
whole() {
  local rgb
  for p in "$(($2 + 20)) $(($3 + 20))" "$(($2 + 779)) $(($3 + 579))"; do
    rgb=$(h_pixel "$1" ${p% *} ${p#* })
    IFS=, read -r r g b <<<"$rgb"
    [ "$b" -gt 200 ] && [ "$r" -lt 60 ] || return 1
  done
  rgb=$(h_pixel "$1" $(($2 + 400)) $(($3 + 300)))
  IFS=, read -r r g b <<<"$rgb"
  [ "$r" -gt 200 ] && [ "$b" -lt 60 ]
}
# watch SECONDS: screenshots for that long; prints "closeup" once one shows
# the close-up over (240, 100, 800, 600), "whole" once one shows the whole
# picture there; stops at the first whole picture.
watch() {
  local end n=0 seen=""
  end=$(($(date +%s) + $1))
  while [ "$(date +%s)" -lt "$end" ]; do
    n=$((n + 1))
    h_screenshot "w$n.png"
    if close_up "w$n.png" 240 100 800 600; then
      [[ $seen == *closeup* ]] || { seen="$seen closeup"; echo "closeup w$n.png"; }
    elif whole "w$n.png" 240 100; then
      echo "whole w$n.png"
      return
    fi
  done
}

l_show "Zoom=1;Draw Wait=3" plain
seen=$(watch 20)
grep -q '^closeup' <<<"$seen" || h_fail "no screenshot showed the enlarged centre over the picture's place ($seen)"
grep -q '^whole' <<<"$seen" || h_fail "the whole picture never came after the close-up ($seen)"
[ "$(head -n1 <<<"$seen" | cut -d' ' -f1)" = closeup ] || h_fail "the whole picture came before the close-up"
h_pass "\".JPG\": the centre enlarged over (240, 100, 800, 600), then the whole picture"
l_click_ends ".JPG with zoom"

for kind in four png gif; do
  l_show "Zoom=1;Draw Wait=3" "$kind"
  seen=$(watch 20)
  grep -q '^whole' <<<"$seen" || h_fail "$kind: the picture never appeared"
  ! grep -q '^closeup' <<<"$seen" || h_fail "$kind: a close-up appeared, but only .JPG files zoom"
  h_pass "$kind: shown without the effect"
  l_click_ends "$kind with zoom"
done

# Turned: the close-up fills the turned picture's box; the temporary bitmap
# holds the turned picture (its size is the box's).
find "$WINEPREFIX/drive_c/users" -path '*ORVANE/lumora.bmp' -delete 2>/dev/null || true
l_show "Zoom=1;Draw Wait=3;Rotate=1;Screen Clear=1" plain
box=$(l_wait_box r.png 255,0,0 150000 40)
read -r x y w h _ <<<"$box"
h_pass "turned: the red close-up fills a $w × $h box at ($x, $y)"
bmp=$(find "$WINEPREFIX/drive_c/users" -path '*ORVANE/lumora.bmp' 2>/dev/null | head -n1)
[ -n "$bmp" ] || h_fail "no temporary bitmap ORVANE\\lumora.bmp was written"
size=$(/usr/bin/identify -format '%w %h' "$bmp")
read -r bw bh <<<"$size"
# The red close-up fills the window, which has the turned picture's size
# (a screenshot a few steps into the widening shows a little less red).
[ "$bw" -ge $((w - 2)) ] && [ "$bh" -ge $((h - 2)) ] && [ $((bw * 100)) -le $((w * 106 + 200)) ] &&
  [ $((bh * 100)) -le $((h * 106 + 200)) ] || h_fail "the temporary bitmap is $size, the zoomed box $w × $h"
[ "$bw $bh" != "640 480" ] || [ "$w $h" = "640 480" ] || h_fail "the temporary bitmap is not turned"
h_pass "turned: zoomed from the temporary bitmap of the turned picture ($size)"
l_click_ends "turned with zoom"

# A key during the close-up ends the effect and the saver at once.
l_show "Zoom=1;Draw Wait=3" plain
l_wait_box k.png 255,0,0 400000 40 >/dev/null
h_key a
l_expect_ends "$saver" 3 "a key during the effect ends the saver within 3 s"
