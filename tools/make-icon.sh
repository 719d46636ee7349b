#!/usr/bin/env bash
# Draws the program icon (a framed picture with a sun and hills) at 48, 32
# and 16 pixels into one .ico file. Usage: make-icon.sh OUT.ico
set -euo pipefail
out=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for s in 48 32 16; do
  /usr/bin/convert -size 256x256 xc:none \
    -fill '#f4f1e8' -stroke '#6b4f2a' -strokewidth 14 -draw 'roundrectangle 14,34 242,222 18,18' \
    -stroke none -fill '#7ec8f0' -draw 'rectangle 30,50 226,206' \
    -fill '#ffcf33' -draw 'circle 170,92 170,118' \
    -fill '#3f9a4a' -draw 'polygon 30,206 100,120 160,206' \
    -fill '#2e7d3a' -draw 'polygon 110,206 180,140 226,190 226,206' \
    -resize "${s}x${s}" "$tmp/icon-$s.png"
done
/usr/bin/convert "$tmp/icon-48.png" "$tmp/icon-32.png" "$tmp/icon-16.png" "$out"
