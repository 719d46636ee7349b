#!/usr/bin/env bash
# lumora-cli exif agrees with exiftool on every JPEG of the demo set:
# orientation, dates, make, model, FNumber, ExposureTime and ISO.
# Usage: test_exif_agrees.sh LUMORA-CLI
set -euo pipefail
cli=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
demo="$root/build/demo-pictures"
bash "$root/tools/make-demo-pictures.sh" "$demo" >/dev/null
fail() { echo "FAIL: $*" >&2; exit 1; }
# same_number A B: equal within 1 % (exiftool prints 0.008, we print 1/125).
same_number() { awk -v a="$1" -v b="$2" 'BEGIN { d = a - b; if (d < 0) d = -d; m = b < 0 ? -b : b; exit !(d <= 0.01 * m + 1e-9) }'; }
n=0
while IFS= read -r -d '' file; do
  ours=$("$cli" exif "$file")
  value() { sed -n "s/^$1: //p" <<<"$ours"; }
  mapfile -t theirs < <(exiftool -n -f -s3 -Orientation -Make -Model -DateTimeOriginal -ModifyDate -FNumber \
    -ExposureTime -ISO "$file")
  missing() { [ "$1" = - ] && echo "" || echo "$1"; }
  [ "$(value Orientation)" = "$(missing "${theirs[0]}" | sed 's/^$/0/')" ] || fail "$file: Orientation $(value Orientation) vs ${theirs[0]}"
  [ "$(value Make)" = "$(missing "${theirs[1]}")" ] || fail "$file: Make '$(value Make)' vs '${theirs[1]}'"
  [ "$(value Model)" = "$(missing "${theirs[2]}")" ] || fail "$file: Model '$(value Model)' vs '${theirs[2]}'"
  [ "$(value DateTimeOriginal)" = "$(missing "${theirs[3]}")" ] || fail "$file: DateTimeOriginal '$(value DateTimeOriginal)' vs '${theirs[3]}'"
  [ "$(value DateTime)" = "$(missing "${theirs[4]}")" ] || fail "$file: DateTime '$(value DateTime)' vs '${theirs[4]}'"
  same_number "$(value FNumber)" "${theirs[5]}" || fail "$file: FNumber $(value FNumber) vs ${theirs[5]}"
  exposure=$(value ExposureTime | sed 's/ seconds$//')
  same_number "$(awk -v t="$exposure" 'BEGIN { split(t, p, "/"); print (p[2] == "" ? p[1] : p[1] / p[2]) }')" "${theirs[6]}" ||
    fail "$file: ExposureTime $exposure vs ${theirs[6]}"
  [ "$(value ISOSpeed)" = "${theirs[7]}" ] || fail "$file: ISO $(value ISOSpeed) vs ${theirs[7]}"
  n=$((n + 1))
done < <(find "$demo" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) -print0 | sort -z)
[ "$n" -ge 10 ] || fail "only $n JPEGs in $demo"
echo "PASS: lumora-cli exif agrees with exiftool on $n JPEGs"
