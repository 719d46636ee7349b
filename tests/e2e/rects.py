#!/usr/bin/env python3
"""Where a colour lies in a screenshot.

  rects.py IMAGE R,G,B [TOLERANCE [X Y WIDTH HEIGHT]]
      prints "x y width height count": the bounding box of the pixels whose
      channels are each within TOLERANCE (default 3) of the colour, and how
      many there are, counted inside the rectangle when one is given
      (coordinates of the image); "none" when there are none.
"""
import subprocess
import sys


def read_ppm(path, crop):
    command = ["/usr/bin/convert", path]
    if crop:
        command += ["-crop", "%dx%d+%d+%d" % (crop[2], crop[3], crop[0], crop[1]), "+repage"]
    data = subprocess.run(command + ["-depth", "8", "ppm:-"], check=True, stdout=subprocess.PIPE).stdout
    # P6 header: magic, width, height, maxval, each followed by whitespace.
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    return int(fields[1]), int(fields[2]), data[pos + 1:]


def main(argv):
    colour = [int(v) for v in argv[2].split(",")]
    tol = int(argv[3]) if len(argv) > 3 else 3
    crop = [int(v) for v in argv[4:8]] if len(argv) > 4 else None
    width, height, pixels = read_ppm(argv[1], crop)
    # One byte per pixel and channel: 1 where the channel is in range; the
    # three planes combined as big integers.
    mask = -1
    for channel in range(3):
        lo, hi = colour[channel] - tol, colour[channel] + tol
        table = bytes(1 if lo <= v <= hi else 0 for v in range(256))
        plane = pixels[channel::3].translate(table)
        mask &= int.from_bytes(plane, "little")
    hits = mask.to_bytes(width * height, "little")
    count = hits.count(1)
    if count == 0:
        print("none")
        return
    first, last = hits.find(1), hits.rfind(1)
    top, bottom = first // width, last // width
    left, right = width, -1
    for y in range(top, bottom + 1):
        row = hits[y * width:(y + 1) * width]
        a = row.find(1)
        if a >= 0:
            left, right = min(left, a), max(right, row.rfind(1))
    x0, y0 = (crop[0], crop[1]) if crop else (0, 0)
    print(left + x0, top + y0, right - left + 1, bottom - top + 1, count)


main(sys.argv)
