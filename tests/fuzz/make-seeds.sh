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
  dib_fuzz)
    # Two bytes of header length, the header with its colour table, the pixels:
    # the project's BMP files without their 14-byte file header.
    for f in "$work/a.bmp" "$work/p.bmp"; do
      python3 - "$f" "$corpus/$(basename "$f").dib" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
offset = struct.unpack_from("<I", data, 10)[0]
info, bits = data[14:offset], data[offset:]
open(sys.argv[2], "wb").write(struct.pack("<H", len(info)) + info + bits)
PY
    done
    ;;
  datetime_fuzz)
    n=0
    for text in "2004:07:15 14:03:00" "2004/07/15 14:03" "04/7/15" "14:03:59" "1999-12-31 23:59:59.999" \
      "0000:00:00 00:00:00" "9999/12/31" "2004年7月15日" "  7/4 " "12:00 PM"; do
      n=$((n + 1))
      printf '%s' "$text" >"$corpus/date-$n"
    done
    ;;
  settings_fuzz)
    # Records: key, value name, type (0 text, 1 number), length, data.
    printf '\x00\x0d\x01\x01\x0c\x00\x0f\x01\x01\x02\x00\x0e\x01\x01\x00' >"$corpus/wait-end"
    printf '\x00\x04\x00\x06C:\\a.b\x01\x1f\x00\x04C:\\x\x00\x14\x01\x01\x02' >"$corpus/lists"
    printf '\x03\x1e\x01\x01\x02\x03\x1f\x00\x03D:\\\x03\x20\x00\x01 ' >"$corpus/group"
    ;;
  log_fuzz)
    printf '\x00first\nsecond\n' >"$corpus/short"
    printf '\x00\xff\n\xff\n\xff\n\xff\n\xff\n\xff\n\xff\n\xff\n\xff\n\xff\nlast' >"$corpus/long"
    printf '\x01\xff\n\xff\n\xff\n\xff\n\xff\n\xff\n\xff\n\xff\n\xff\n\xff\n\xff' >"$corpus/long-fails"
    ;;
  *) echo "make-seeds: no seeds for $name" >&2; exit 1 ;;
esac
touch "$corpus/.seeded"
