#!/usr/bin/env bash
# Checks the portable zip as a user unpacks it: the very Lumora.scr that was
# built, the user's guide in both languages with its pictures, and the
# licence text of every library linked into the program, each carrying the
# words its licence asks a binary distribution to reproduce.
#   check_release.sh ZIP LUMORA_SCR
set -euo pipefail
zip_file=$1 scr=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -s "$zip_file" ] || fail "no $zip_file"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
unzip -q "$zip_file" -d "$dir" || fail "$zip_file does not unpack"

cmp -s "$dir/Lumora.scr" "$scr" || fail "the zip's Lumora.scr is not the built $scr"
for page in index ja en; do
  [ -s "$dir/docs/$page.html" ] || fail "the guide's $page.html is missing"
done
# Every picture the guide shows is in the zip.
for page in ja en; do
  grep -o 'src="[^"]*"' "$dir/docs/$page.html" | sed 's/^src="//; s/"$//' | while read -r picture; do
    [ -s "$dir/docs/$picture" ] || fail "docs/$page.html shows $picture, which the zip lacks"
  done
done
grep -q 'Lumora' "$dir/docs/ja.html" && grep -q 'インストール' "$dir/docs/ja.html" ||
  fail "docs/ja.html is not the Japanese guide"

expect_licence() { # NAME WORDS...
  local file="$dir/licenses/$1.txt" words
  shift
  [ -s "$file" ] || fail "licenses/$(basename "$file") is missing"
  for words in "$@"; do
    grep -qF "$words" "$file" || fail "licenses/$(basename "$file") lacks \"$words\""
  done
}
expect_licence libjpeg-turbo "Independent JPEG Group" "Redistribution and use in source and binary forms"
expect_licence libpng "PNG Reference Library License"
expect_licence zlib "Jean-loup Gailly" "Mark Adler"
expect_licence giflib "Permission is hereby granted"

extra=$(cd "$dir" && find . -type f | grep -Ev '^\./(Lumora\.scr|docs/.*|licenses/(libjpeg-turbo|libpng|zlib|giflib)\.txt)$' || true)
[ -z "$extra" ] || fail "the zip holds files nobody asked for: $extra"
echo "release zip fine: $(cd "$dir" && find . -type f | wc -l) files, Lumora.scr as built, guide and four licences"
