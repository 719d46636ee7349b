#!/usr/bin/env bash
# Where and how pictures land on the screen, from screenshots of the real
# saver: every size mode and every position mode with pictures of known
# colours and sizes on a 1280 × 800 screen, the raised frame, black and
# white, sepia, the darkening of older pictures, turned pictures over the
# desktop, and the caption in a Japanese locale.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init --japanese
# The pointer rests away from the sound player window in the bottom-right
# corner, so that a click reaches the saver.
h_mouse_to 1270 10
convert=/usr/bin/convert
# picture NAME SIZE COLOUR: a one-colour PNG in a folder of its own.
picture() {
  mkdir -p "$H_TMP/pictures/$1"
  $convert -size "$2" "xc:$3" "PNG24:$H_TMP/pictures/$1/$1.png"
}
rects() { l_rects "$@"; }
show() { l_show "$@"; }
wait_rect() { l_wait_box "$@"; }

# expect_rect WHAT ACTUAL "X Y W H": the box must be exactly that.
expect_rect() {
  [ "$(cut -d' ' -f1-4 <<<"$2")" = "$3" ] || h_fail "$1: box $2, expected $3"
  h_pass "$1: $3"
}

finish() { l_click_ends "$1"; }

picture red400 400x300 'rgb(255,0,0)'
picture green1600 1600x1000 'rgb(0,255,0)'
picture blue3000 3000x1000 'rgb(0,0,255)'
picture green640 640x480 'rgb(0,255,0)'
picture rust400 400x300 'rgb(200,40,10)'
picture yellow400 400x300 'rgb(255,255,0)'
picture cyan300 300x400 'rgb(0,255,255)'
picture magenta400 400x300 'rgb(255,0,255)'
picture grey800 800x600 'rgb(200,200,200)'
picture blue200 200x100 'rgb(0,0,255)'
picture black500 500x400 'rgb(0,0,0)'

# --- Size modes, centred.
show "" red400 green1600
expect_rect "full size: 400 × 300 centred" "$(wait_rect s0.png 255,0,0 100000)" "440 250 400 300"
expect_rect "full size: a picture larger than the screen from (0, 0), cut" \
  "$(wait_rect s0b.png 0,255,0 1000000)" "0 0 1280 800"
finish "full size"

show "Graphics Size=1" blue3000 red400
# 1280 wide, Ceil(1000 × 1280 / 3000) = 427 high, at y = Trunc(373 / 2).
expect_rect "fit without enlarging: 3000 × 1000 to the width" "$(wait_rect s1.png 0,0,255 500000)" "0 186 1280 427"
expect_rect "fit without enlarging: a small picture keeps its size" "$(wait_rect s1b.png 255,0,0 100000)" \
  "440 250 400 300"
finish "fit without enlarging"

show "Graphics Size=2" green640
read -r x y w h _ <<<"$(wait_rect s2.png 0,255,0 10000)"
# (a + b + 0.3) / 3 × 1280 / 640 of the picture: 0.2 to 1.53 of 640 wide.
[ "$w" -ge 128 ] && [ "$w" -le 982 ] || h_fail "random size: width $w outside 128 … 982"
[ $((h * 4 - w * 3)) -ge -4 ] && [ $((h * 4 - w * 3)) -le 4 ] || h_fail "random size: $w × $h is not 4:3"
[ "$x" = $(((1280 - w) / 2)) ] && [ "$y" = $(((800 - h) / 2)) ] || h_fail "random size: $w × $h not centred ($x, $y)"
h_pass "random size: 640 × 480 shown $w × $h, centred at ($x, $y)"
finish "random size"

# Black and white with the enlarging fit: (200, 40, 10) → Trunc(250 / 3) = 83.
show "Graphics Size=3;Draw Color=1" rust400
# 400 × 300 to the height 800: Ceil(400 × 800 / 300) = 1067 wide, x = 106.
expect_rect "fit and enlarge, black and white (83, 83, 83)" "$(wait_rect s3.png 83,83,83 500000 1)" "106 0 1067 800"
finish "fit and enlarge"

# --- Position modes.
# Random corner, sepia: (83, Trunc(83 × 216 / 256), Trunc(83 × 166 / 256)).
show "Draw Posision=1;Graphics Size=1;Draw Color=2" rust400
read -r x y w h _ <<<"$(wait_rect p1.png 83,70,53 100000 1)"
[ "$w $h" = "400 300" ] && [ "$x" -le 880 ] && [ "$y" -le 500 ] ||
  h_fail "random position: box $x $y $w $h is not 400 × 300 inside the screen"
h_pass "random position, sepia (83, 70, 53): 400 × 300 at ($x, $y)"
finish "random position"

# Small tiles: 5 × 4 cells of 256 × 192, the grid 16 down from the top.
show "Draw Posision=2;Draw Wait=1" red400 yellow400 cyan300 magenta400
wait_rect p2.png 255,0,255 40000 >/dev/null
cells=()
for c in 255,0,0 255,255,0 0,255,255 255,0,255; do
  read -r x y w h _ <<<"$(rects "$H_TMP/p2.png" "$c")"
  if [ "$c" = 0,255,255 ]; then
    # The portrait: Ceil(300 × 192 / 400) = 144 wide, centred in its cell.
    [ "$w $h" = "144 192" ] && [ $((x % 256)) = 56 ] || h_fail "small tiles: portrait box $x $y $w $h"
  else
    [ "$w $h" = "256 192" ] && [ $((x % 256)) = 0 ] || h_fail "small tiles: box $x $y $w $h for $c"
  fi
  [ $(((y - 16) % 192)) = 0 ] || h_fail "small tiles: row at y = $y for $c"
  cells+=("$((x / 256)),$(((y - 16) / 192))")
done
[ "$(printf '%s\n' "${cells[@]}" | sort -u | wc -l)" = 4 ] || h_fail "small tiles: cells ${cells[*]} repeat"
h_pass "small tiles: four pictures in four cells (${cells[*]}) of the 256 × 192 grid"
finish "small tiles"

# Large tiles: 2 rows of 400, cells Trunc(400 × 4 / 3) = 533 wide, 2 columns,
# the grid (1280 − 1066) / 2 = 107 from the left.
show "Draw Posision=3;Draw Wait=1" red400 yellow400
wait_rect p3.png 255,255,0 200000 >/dev/null
for c in 255,0,0 255,255,0; do
  read -r x y w h _ <<<"$(rects "$H_TMP/p3.png" "$c")"
  # 400 × 300 fits 533 wide: Ceil(300 × 533 / 400) = 400 high.
  [ "$w $h" = "533 400" ] && { [ "$x" = 107 ] || [ "$x" = 640 ]; } && { [ "$y" = 0 ] || [ "$y" = 400 ]; } ||
    h_fail "large tiles: box $x $y $w $h for $c"
done
h_pass "large tiles: 533 × 400 pictures in the 2 × 2 grid"
finish "large tiles"

# --- The frame and the darkening: pictures pile up; each new one darkens
# the screen by 0.8 first.
show "Screen Clear=0;Brightness=1" grey800 blue200
wait_rect f1.png 200,200,200 400000 >/dev/null
# The grey picture at (240, 100): top and left edges + 80 (255 at most),
# bottom and right edges halved.
for p in "240 300 255" "600 100 255" "1039 300 100" "600 699 100" "600 300 200"; do
  read -r x y want <<<"$p"
  [ "$(h_pixel f1.png "$x" "$y")" = "$want,$want,$want" ] || h_fail "frame: ($x, $y) is $(h_pixel f1.png "$x" "$y"), not $want"
done
h_pass "raised frame: top and left edges lightened, bottom and right edges darkened"
wait_rect f2.png 0,0,255 15000 >/dev/null
# The older picture darkened by 0.8: 200 → 160, its lit edge 255 → 204.
for p in "600 300 160" "240 300 204" "1039 300 80"; do
  read -r x y want <<<"$p"
  [ "$(h_pixel f2.png "$x" "$y")" = "$want,$want,$want" ] || h_fail "darkening: ($x, $y) is $(h_pixel f2.png "$x" "$y"), not $want"
done
[ "$(h_pixel f2.png 5 5)" = "0,0,0" ] || h_fail "darkening: the black start image changed"
# The new picture at (540, 350) with its own frame.
[ "$(h_pixel f2.png 540 400)" = "80,80,255" ] && [ "$(h_pixel f2.png 739 400)" = "0,0,127" ] ||
  h_fail "frame of the second picture: $(h_pixel f2.png 540 400) / $(h_pixel f2.png 739 400)"
h_pass "darkening: the older picture at 0.8 under the new one"
finish "frame and darkening"

# --- Turned pictures over the desktop: a black picture on a blue desktop,
# with a black fill colour. No black pixel of the picture may let the
# desktop through; its corners must.
$convert -size 64x64 'xc:rgb(0,0,255)' "$H_TMP/desktop.png"
h_set_desktop_image "$H_TMP/desktop.png"
show "Capture=1;Rotate=1;Screen Clear=0" black500
wait_rect t.png 0,0,0 100000 >/dev/null
sleep 0.5
h_screenshot t.png
# Everything not blue is the turned picture: 0.8 of 500 × 400 = 400 × 320
# (the sound player's small black window in the bottom-right corner aside).
read -r x y w h covered <<<"$(rects "$H_TMP/t.png" 0,0,0 120 0 0 1280 760)"
blue=$(rects "$H_TMP/t.png" 0,0,255 0 "$x" "$y" "$w" "$h" | cut -d' ' -f5)
[ "$blue" = none ] && blue=0
inside=$((w * h - blue))
awk -v n="$inside" 'BEGIN { exit !(n > 128000 * 0.97 && n < 128000 * 1.03) }' ||
  h_fail "turned picture: $inside pixels drawn in its $w × $h box, expected about 128000 (see $H_TMP/t.png)"
hole=$(rects "$H_TMP/t.png" 0,0,255 0 $((x + w / 2 - 100)) $((y + h / 2 - 80)) 200 160)
[ "$hole" = none ] || h_fail "turned picture: the desktop shows through its middle: $hole"
if [ "$w $h" != "400 320" ] && [ "$w $h" != "320 400" ]; then
  [ "$(h_pixel t.png "$x" "$y")" = "0,0,255" ] || h_fail "turned picture: its corner hides the desktop"
fi
lit=$(rects "$H_TMP/t.png" 80,80,80 2 | cut -d' ' -f5)
[ "$lit" != none ] && [ "$lit" -ge 500 ] || h_fail "turned picture: no lit frame edge ($lit pixels)"
h_pass "turned picture: $w × $h box, $inside pixels, no holes, corners show the desktop, framed"
finish "turned picture"
$convert -size 64x64 'xc:rgb(0,0,0)' "$H_TMP/desktop.png"
h_set_desktop_image "$H_TMP/desktop.png"

# --- The caption, Japanese locale: name, " / ", the EXIF capture date.
mkdir -p "$H_TMP/pictures/p1"
$convert -size 400x300 'xc:rgb(40,40,40)' -quality 95 "$H_TMP/pictures/p1/p1.jpg"
exiftool -q -overwrite_original '-DateTimeOriginal=2004:07:15 14:03:27' "$H_TMP/pictures/p1/p1.jpg"
show "DispFileName=1" p1
wait_rect c.png 40,40,40 50000 8 >/dev/null
sleep 0.5
h_screenshot c.png
expected="p1.jpg / 04年7月15日(木) 14:03"
size=$(l_value size "$(l_probe caption-text "$expected" "$(_h_winpath "$H_TMP/caption.bmp")")")
[ -n "$size" ] || h_fail "the probe drew no caption"
h_screenshot caption-shot.png "${size/,/x}+444+254"
$convert "$H_TMP/caption.bmp" "$H_TMP/caption.png"
diff=$(h_diff_pixels caption.png caption-shot.png 1)
[ "$diff" = 0 ] || h_fail "the caption at (444, 254) is not \"$expected\": $diff pixels differ (see $H_TMP/caption-shot.png)"
h_pass "caption at (444, 254) reads \"$expected\""
finish "caption"
