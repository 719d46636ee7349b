#!/usr/bin/env bash
# Every valid PngSuite picture decodes to the pixels ImageMagick reads from
# it, within 1 of 255 per channel (16-bit samples are rounded differently),
# transparency over white. The colour-space chunks (gAMA, cHRM, sRGB, iCCP,
# sBIT) are taken out of ImageMagick's copy: the saver, as Windows programs
# drawing a picture, shows the stored values without colour management.
# Usage: test_pngsuite.sh LUMORA-CLI
set -euo pipefail
cli=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
suite="$root/../shared/corpora/pngsuite"
if [ ! -d "$suite" ]; then
  [ -z "${CI:-}" ] || { echo "FAIL: no PngSuite at $suite" >&2; exit 1; }
  echo "SKIPPED (LOUDLY): no PngSuite at $suite; the reference comparison did not run" >&2
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$suite" "$cli" "$work" <<'PY'
import os, struct, subprocess, sys
suite, cli, work = sys.argv[1:4]
compared = failed = 0
for name in sorted(os.listdir(suite)):
    if not name.endswith(".png") or name.startswith("x"):
        continue
    path = os.path.join(suite, name)
    ours_bmp = os.path.join(work, "ours.bmp")
    result = subprocess.run([cli, "decode", path, ours_bmp], capture_output=True, text=True)
    if result.returncode != 0:
        print(f"FAIL: {name}: not decoded: {result.stderr.strip()}")
        failed += 1
        continue
    bmp = open(ours_bmp, "rb").read()
    offset = struct.unpack_from("<I", bmp, 10)[0]
    width, height = struct.unpack_from("<ii", bmp, 18)
    stride = (width * 3 + 3) // 4 * 4
    raw = open(path, "rb").read()
    plain, at = bytearray(raw[:8]), 8
    while at + 8 <= len(raw):
        length = struct.unpack_from(">I", raw, at)[0]
        if raw[at + 4:at + 8] not in (b"gAMA", b"cHRM", b"sRGB", b"iCCP", b"sBIT"):
            plain += raw[at:at + 12 + length]
        at += 12 + length
    plain_path = os.path.join(work, "plain.png")
    open(plain_path, "wb").write(plain)
    reference = subprocess.run(["/usr/bin/convert", plain_path, "-background", "white", "-alpha", "remove",
                                "-alpha", "off", "-depth", "8", "rgb:-"], capture_output=True).stdout
    rows = abs(height)
    if len(reference) != width * rows * 3:
        print(f"FAIL: {name}: {width} x {rows} here, {len(reference)} bytes from ImageMagick")
        failed += 1
        continue
    worst = 0
    for y in range(rows):
        row = offset + ((rows - 1 - y) if height > 0 else y) * stride
        for x in range(width):
            b, g, r = bmp[row + 3 * x:row + 3 * x + 3]
            R, G, B = reference[(y * width + x) * 3:(y * width + x) * 3 + 3]
            worst = max(worst, abs(r - R), abs(g - G), abs(b - B))
    compared += 1
    if worst > 1:
        print(f"FAIL: {name}: pixels differ by up to {worst}")
        failed += 1
print(f"{compared} PngSuite pictures compared, {failed} failed")
sys.exit(1 if failed or compared < 150 else 0)
PY
