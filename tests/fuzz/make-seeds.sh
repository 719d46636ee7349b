#!/usr/bin/env bash
# Seeds a fuzz target's corpus once: small pictures the script makes itself
# (every built-in format, a few with EXIF), plus the public test pictures
# of ../shared/corpora when they are there.
# Usage: make-seeds.sh TARGET-NAME CORPUS-DIR
set -euo pipefail
name=$1 corpus=$2
[ -e "$corpus/.seeded" ] && exit 0
root=$(cd "$(dirname "$0")/../.." && pwd)
shared="$root/../shared/corpora"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert=/usr/bin/convert

# Small pictures of each format.
$convert -size 40x30 gradient:red-blue "$work/a.png"
$convert -size 40x30 gradient:red-blue -alpha set -channel A -evaluate set 50% "$work/alpha.png"
$convert -size 40x30 gradient:red-blue -colors 16 "$work/a.gif"
$convert -size 40x30 gradient:red-blue "BMP3:$work/a.bmp"
$convert -size 40x30 gradient:red-blue -colors 16 -type Palette "BMP3:$work/p.bmp"
$convert -size 32x32 gradient:red-blue "$work/a.ico"
$convert -size 40x30 gradient:red-blue -quality 80 "$work/a.jpg"
$convert -size 40x30 gradient:red-blue -interlace Plane "$work/progressive.jpg"
cp "$work/a.jpg" "$work/exif.jpg"
exiftool -q -overwrite_original -n -Orientation=6 -Make=Seed -Model=Corpus -FNumber=2.8 -ExposureTime=0.0166 \
  -ISO=400 -DateTimeOriginal='2024:05:06 07:08:09' "$work/exif.jpg"

case $name in
  exif_fuzz)
    for f in "$work"/*.jpg; do cp "$f" "$corpus/$(basename "$f")"; done
    if [ -d "$shared/fuzz/jpeg" ]; then
      find "$shared/fuzz/jpeg" -type f -size -200k | sort | sed -n 1,200p | while read -r f; do
        cp "$f" "$corpus/shared-$(basename "$f")"
      done
    fi
    ;;
  decode_fuzz)
    # The first byte chooses the decoder: 0 bmp, 1 ico, 2 jpg, 3 gif, 4 png.
    seed() { { printf "\\x$(printf %02x "$1")"; cat "$2"; } >"$corpus/$3"; }
    seed 0 "$work/a.bmp" a.bmp
    seed 0 "$work/p.bmp" p.bmp
    seed 1 "$work/a.ico" a.ico
    seed 2 "$work/a.jpg" a.jpg
    seed 2 "$work/progressive.jpg" progressive.jpg
    seed 3 "$work/a.gif" a.gif
    seed 4 "$work/a.png" a.png
    seed 4 "$work/alpha.png" alpha.png
    n=0
    for kind in bmp:0 jpeg:2 gif:3 png:4; do
      dir=${kind%%:*} byte=${kind##*:}
      [ -d "$shared/fuzz/$dir" ] || continue
      while read -r f; do
        n=$((n + 1))
        seed "$byte" "$f" "shared-$n"
      done < <(find "$shared/fuzz/$dir" -type f -size -100k | sort | sed -n 1,150p)
    done
    ;;
  *) echo "make-seeds: no seeds for $name" >&2; exit 1 ;;
esac
touch "$corpus/.seeded"
