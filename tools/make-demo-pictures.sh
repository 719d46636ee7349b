#!/usr/bin/env bash
# make-demo-pictures.sh - generate a folder of demo pictures for trying Lumora.
#
# Usage: tools/make-demo-pictures.sh OUTDIR
#
# Creates OUTDIR and writes 20 generated pictures into it:
#   01..08  JPEGs carrying EXIF Orientation 1..8 (one each). The pixels are
#           stored pre-transformed, so "TOP" and the arrow appear upright at
#           the top only when a viewer applies the EXIF orientation. The file
#           name gives the upright size. Extensions .jpg, .jpeg and .JPG occur.
#   09      6000x4000 JPEG (the largest picture)
#   10      4000x1000 panorama JPEG; 20 is a tall 1000x3000 panorama .JPG
#   11-13   PNGs: portrait, square, and one with an alpha channel
#   14-15   GIFs, including the smallest picture (320x240)
#   16-17   24-bit BMPs (BMP3, the variant Windows reads), landscape and portrait
#   18      PNG with a Japanese label drawn with the IPA Gothic font
#   19      "桜の写真.jpg", a JPEG with a Japanese file name
# Every picture has a gradient background, a circle, a rectangle and a star,
# its number in large digits and a caption with format and size. All JPEGs get
# EXIF Make "Lumora Demo", Model "Generator" and their own DateTimeOriginal.
#
# The output is deterministic: nothing random is used and PNG time chunks are
# left out. When OUTDIR/.complete holds $VERSION, the script does nothing. Bump
# VERSION whenever the generated set changes.
#
# Needs Debian's ImageMagick 6 (/usr/bin/convert, called by full path because a
# different "convert" may come first on PATH), exiftool
# (libimage-exiftool-perl), and fonts-dejavu-core or fonts-ipafont-gothic.
set -euo pipefail

VERSION="lumora-demo-pictures 2"
IM=/usr/bin/convert
EXIFTOOL=/usr/bin/exiftool

die() { printf 'make-demo-pictures: %s\n' "$*" >&2; exit 1; }

[[ $# -eq 1 && -n $1 ]] || die "usage: $0 OUTDIR"
out=${1%/}
[[ -n $out ]] || out=/

# Every name this script writes; also used to clear stale output.
names=(
  01-exif-orient1-800x600.jpg
  02-exif-orient2-1024x768.jpg
  03-exif-orient3-640x480.jpeg
  04-exif-orient4-600x800.JPG
  05-exif-orient5-1200x800.jpg
  06-exif-orient6-1200x1600.jpg
  07-exif-orient7-1000x750.jpg
  08-exif-orient8-768x1024.jpg
  09-large-6000x4000.jpg
  10-panorama-4000x1000.jpg
  11-portrait-1080x1920.png
  12-square-1000x1000.png
  13-alpha-800x800.png
  14-small-320x240.gif
  15-gif-640x480.gif
  16-bitmap-1024x768.bmp
  17-bitmap-480x640.bmp
  18-japanese-1280x720.png
  桜の写真.jpg
  20-tall-panorama-1000x3000.JPG
)

if [[ -f $out/.complete && $(<"$out/.complete") == "$VERSION" ]]; then
  printf 'demo pictures: %d files in %s\n' "${#names[@]}" "$out"
  exit 0
fi

[[ -x $IM ]] || die "$IM not found (apt-get install imagemagick)"
[[ -x $EXIFTOOL ]] || die "$EXIFTOOL not found (apt-get install libimage-exiftool-perl)"

# find_font FAMILY-PATTERN FALLBACK-PATH...: print the first existing font file.
find_font() {
  local pattern=$1 f
  shift
  if command -v fc-list >/dev/null; then
    f=$(fc-list -f '%{file}\n' "$pattern" 2>/dev/null | LC_ALL=C sort | head -n 1)
    if [[ -n $f && -r $f ]]; then printf '%s\n' "$f"; return 0; fi
  fi
  for f in "$@"; do
    if [[ -r $f ]]; then printf '%s\n' "$f"; return 0; fi
  done
  return 1
}

ipa_font=$(find_font 'IPAGothic' \
  /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf) || ipa_font=
font=$(find_font 'DejaVu Sans:style=Bold' \
  /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf \
  /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf) || font=$ipa_font
[[ -n $font ]] || die "no usable font (apt-get install fonts-dejavu-core or fonts-ipafont-gothic)"

mkdir -p -- "$out"
rm -f -- "$out/.complete"
for n in "${names[@]}"; do rm -f -- "$out/$n"; done

# star CX CY R: ten-point polygon of a five-pointed star, as "x,y x,y ...".
star() {
  awk -v cx="$1" -v cy="$2" -v r="$3" 'BEGIN {
    pi = atan2(0, -1)
    for (i = 0; i < 10; i++) {
      a = -pi / 2 + i * pi / 5; rr = (i % 2) ? r * 0.4 : r
      printf "%s%.1f,%.1f", (i ? " " : ""), cx + rr * cos(a), cy + rr * sin(a)
    }
  }'
}

# up_arrow CX TOPY LEN: polygon of an arrow pointing up, its tip at (CX,TOPY).
up_arrow() {
  awk -v cx="$1" -v y="$2" -v l="$3" 'BEGIN {
    hw = l * 0.30; sw = l * 0.11; hl = l * 0.40
    printf "%.1f,%.1f %.1f,%.1f %.1f,%.1f %.1f,%.1f %.1f,%.1f %.1f,%.1f %.1f,%.1f",
      cx, y, cx + hw, y + hl, cx + sw, y + hl, cx + sw, y + l,
      cx - sw, y + l, cx - sw, y + hl, cx - hw, y + hl
  }'
}

# render FILE W H INDEX CAPTION BACKGROUND [EXTRA-OPTION...]
# Draws the common layout (shapes, big number, caption) on BACKGROUND, an
# ImageMagick image spec (generated at WxH); EXTRA-OPTIONs are convert
# options applied last, before writing FILE (prefix formats like BMP3: allowed).
render() {
  local file=$1 w=$2 h=$3 idx=$4 caption=$5 bg=$6
  shift 6
  local s=$((w < h ? w : h))
  local sw=$((s / 150 + 1))
  # Caption size: small enough that about 30 characters fit the width.
  local cap=$((s * 6 / 100 + 1))
  ((cap <= w / 20)) || cap=$((w / 20))
  # Shape positions shift with the index so the pictures differ.
  local cx=$((w * (18 + idx % 3 * 6) / 100)) cy=$((h * (25 + idx % 4 * 5) / 100))
  local rx=$((w * (62 - idx % 3 * 4) / 100)) ry=$((h * 62 / 100))
  local sx=$((w * 80 / 100)) sy=$((h * (22 + idx % 2 * 6) / 100))
  local png_opts=()
  case $file in *.png|*.PNG|PNG*) png_opts=(-define "png:exclude-chunks=date,time") ;; esac
  # shellcheck disable=SC2086  # $bg may hold several words, e.g. a -define
  "$IM" -size "${w}x${h}" $bg \
    -stroke '#00000080' -strokewidth "$sw" \
    -fill '#e8404080' -draw "circle $cx,$cy $((cx + s * 15 / 100)),$cy" \
    -fill '#40c06090' -draw "rectangle $rx,$ry $((rx + s * 30 / 100)),$((ry + s * 20 / 100))" \
    -fill '#ffd83099' -draw "polygon $(star "$sx" "$sy" $((s * 14 / 100)))" \
    -font "$font" -gravity center \
    -fill white -stroke black -strokewidth $((s / 100 + 1)) -pointsize $((s * 38 / 100)) \
    -annotate +0+0 "$(printf '%02d' "$idx")" \
    -gravity south -stroke none -fill '#000000a0' \
    -draw "rectangle 0,$((h - s * 11 / 100)) $w,$h" \
    -fill white -pointsize "$cap" -annotate "+0+$((s * 25 / 1000))" "$caption" \
    "$@" -strip -depth 8 "${png_opts[@]}" -quality 88 "$file"
}

# EXIF edits are collected here and done by one exiftool run at the end.
exif_args=()
# Camera settings, one set after another, so the EXIF readers have
# apertures, exposure times and speeds to show.
fnumbers=(2.8 4 5.6 8 11 1.8 16 3.5)
exposures=(1/60 1/125 1/250 1/500 1/30 1/1000 1/2 1/15)
isos=(100 200 400 800 1600 64 3200 125)
exif_count=0
# add_exif FILE DATE [ORIENTATION]
add_exif() {
  local i=$((exif_count % 8))
  exif_count=$((exif_count + 1))
  exif_args+=("-DateTimeOriginal=$2" "-CreateDate=$2")
  exif_args+=("-FNumber=${fnumbers[i]}" "-ExposureTime=${exposures[i]}" "-ISO=${isos[i]}")
  [[ -z ${3:-} ]] || exif_args+=("-Orientation=$3")
  exif_args+=("$1" -execute)
}

# Stored pixels = inverse of the EXIF transform applied to the upright picture.
undo_orientation=( "" "-flop" "-rotate 180" "-flip" "-transpose" "-rotate 270" "-transverse" "-rotate 90" )
backgrounds=(
  "gradient:#1e3c72-#2a5298"
  "gradient:#ff7e5f-#feb47b"
  "radial-gradient:#fdfc47-#24fe41"
  "gradient:#8e2de2-#4a00e0"
  "radial-gradient:#ffffff-#3a6186"
  "gradient:#00c6ff-#0072ff"
  "gradient:#f7971e-#ffd200"
  "radial-gradient:#e0eafc-#5b3a8c"
)

for o in 1 2 3 4 5 6 7 8; do
  name=${names[o - 1]}
  size=${name##*-}; size=${size%.*}
  w=${size%x*}; h=${size#*x}
  s=$((w < h ? w : h))
  # shellcheck disable=SC2086  # the transform is two words, e.g. "-rotate 90"
  render "$out/$name" "$w" "$h" "$o" "EXIF orientation $o  ${w}x${h}" "${backgrounds[o - 1]}" \
    -gravity north -fill '#ffffff' -stroke black -strokewidth $((s / 200 + 1)) \
    -pointsize $((s * 12 / 100)) -annotate "+0+$((s * 3 / 100))" TOP \
    -fill '#ff3030' -draw "polygon $(up_arrow $((w * 15 / 100)) $((s * 4 / 100)) $((s * 30 / 100)))" \
    ${undo_orientation[o - 1]}
  add_exif "$out/$name" "$(printf '2023:%02d:%02d %02d:%02d:00' "$o" $((o * 3)) $((8 + o)) $((o * 7)))" "$o"
done

render "$out/${names[8]}" 6000 4000 9 "JPEG 6000x4000" "-define gradient:direction=East gradient:#0f2027-#2c7744"
add_exif "$out/${names[8]}" "2022:12:24 18:30:00"

render "$out/${names[9]}" 4000 1000 10 "Panorama JPEG 4000x1000" \
  "-define gradient:direction=East gradient:#ee9ca7-#355c7d"
add_exif "$out/${names[9]}" "2022:08:15 06:45:10"

render "$out/${names[10]}" 1080 1920 11 "PNG 1080x1920" "gradient:#43cea2-#185a9d"
render "$out/${names[11]}" 1000 1000 12 "PNG 1000x1000" "radial-gradient:#f8ffae-#43c6ac"
# Transparent background with a soft vertical fade; written as 32-bit RGBA.
render "PNG32:$out/${names[12]}" 800 800 13 "PNG alpha 800x800" "gradient:#ff000000-#0000ffc0"

render "$out/${names[13]}" 320 240 14 "GIF 320x240" "gradient:#f953c6-#b91d73"
render "$out/${names[14]}" 640 480 15 "GIF 640x480" "-define gradient:direction=East gradient:#00b09b-#96c93d"

render "BMP3:$out/${names[15]}" 1024 768 16 "BMP 1024x768" "gradient:#c94b4b-#4b134f" -type TrueColor
render "BMP3:$out/${names[16]}" 480 640 17 "BMP 480x640" "radial-gradient:#ffe259-#ffa751" -type TrueColor

if [[ -n $ipa_font ]]; then
  jp_label="日本語 写真"; jp_font=$ipa_font
else
  printf 'make-demo-pictures: warning: IPA Gothic font missing, Japanese label replaced\n' >&2
  jp_label="NIHONGO SHASHIN"; jp_font=$font
fi
render "$out/${names[17]}" 1280 720 18 "PNG 1280x720" "gradient:#fbd3e9-#bb377d" \
  -gravity north -font "$jp_font" -fill '#202020' -stroke none -pointsize 96 \
  -annotate +0+40 "$jp_label"

render "$out/${names[18]}" 1600 1067 19 "JPEG 1600x1067 sakura" "radial-gradient:#fff0f5-#e75480"
add_exif "$out/${names[18]}" "2024:04:02 13:05:42"

render "$out/${names[19]}" 1000 3000 20 "JPEG 1000x3000" "gradient:#2193b0-#6dd5ed"
add_exif "$out/${names[19]}" "2021:11:30 21:12:12"

unset 'exif_args[-1]'  # no -execute after the last file
"$EXIFTOOL" "${exif_args[@]}" -common_args -q -q -n -overwrite_original \
  "-Make=Lumora Demo" "-Model=Generator" >/dev/null

count=0
for n in "${names[@]}"; do
  [[ -s $out/$n ]] || die "missing output $out/$n"
  count=$((count + 1))
done

printf '%s\n' "$VERSION" >"$out/.complete.tmp"
mv -f -- "$out/.complete.tmp" "$out/.complete"
printf 'demo pictures: %d files in %s\n' "$count" "$out"
