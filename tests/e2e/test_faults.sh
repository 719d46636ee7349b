#!/usr/bin/env bash
# Faults while the real saver runs (a copy of Lumora.scr beside the test
# plug-in lpic.spi). A picture over the size limit comes first: it is
# logged and skipped. Once the next picture is up, its folder is removed, a
# picture of the second folder is replaced by a folder of the same name,
# the display-history log is made read-only and the plug-in DLL is deleted.
# The show goes on: the second folder's pictures, the one the plug-in reads
# among them, keep coming, and a key still ends the saver normally.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
h_mouse_to 1270 10

app="$H_TMP/app"
mkdir -p "$app"
cp "$LUMORA_BIN/Lumora.scr" "$LUMORA_BIN/lpic.spi" "$app/"
L_SCR="$app/Lumora.scr"
mkdir -p "$H_TMP/pictures/first" "$H_TMP/pictures/second"
/usr/bin/convert -size 400x300 'xc:rgb(0,200,0)' "$H_TMP/pictures/first/green.png"
# Before it, a picture over the size limit: a PNG claiming 30000 × 20000
# pixels (600 megapixels) with next to no data.
python3 - "$H_TMP/pictures/first/a0-huge.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
header = struct.pack(">IIBBBBB", 30000, 20000, 8, 2, 0, 0, 0)
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"\0" * 64))
                              + chunk(b"IEND", b""))
PY
/usr/bin/convert -size 400x300 'xc:rgb(0,0,200)' "$H_TMP/pictures/second/b1-blue.png"
/usr/bin/convert -size 400x300 'xc:rgb(200,200,0)' "$H_TMP/pictures/second/b2-yellow.png"
python3 "$H_ROOT/tests/win/plugins/make_lpic.py" "$H_TMP/pictures/second/b3-magenta.lpic" 400 300 24 200,0,200

log="$H_TMP/faults.log"
L_SHOW_EXTRA="\"LogFile\"=\"$(_h_winpath "$log" | sed 's/\\/\\\\/g')\"" \
  l_show "Draw Wait=1;End Option=2" first second
l_wait_box green.png 0,200,0 100000 >/dev/null
grep -q 'a0-huge.png' "$log" || h_fail "the picture over the limit has no log line"
h_pass "the picture over the size limit was logged and skipped; the next one came"

rm -rf "$H_TMP/pictures/first"
rm "$H_TMP/pictures/second/b2-yellow.png"
mkdir "$H_TMP/pictures/second/b2-yellow.png"
# Read-only even for root (who may write files without write permission):
# immutable where the file system and the container allow it, otherwise
# a folder in the log's place, which no one can append to.
chmod 444 "$log"
if chattr +i "$log" 2>/dev/null; then
  trap 'chattr -i "$log" 2>/dev/null; h_cleanup' EXIT
else
  rm -f "$log"
  mkdir "$log"
fi
logged=$(cat "$log" 2>/dev/null | wc -l)
rm "$app/lpic.spi"
h_pass "faults made: the first folder removed, a picture replaced by a folder, the log read-only, the plug-in deleted"

for colour in "0,0,200 the second folder's picture" "200,0,200 the plug-in's picture" \
  "0,0,200 the second folder's picture again"; do
  l_wait_box "after-${colour%% *}.png" "${colour%% *}" 100000 >/dev/null
  h_running "$saver" || h_fail "the saver ended"
  h_pass "after the faults: ${colour#* } shown"
done
[ "$(cat "$log" 2>/dev/null | wc -l)" = "$logged" ] || h_fail "the read-only log was still written to"
h_key a
l_expect_ends "$saver" 20 "the saver ends normally on a key after the faults"
