#!/usr/bin/env python3
"""Pictures in the test plug-ins' own format "LPIC".

  make_lpic.py OUT WIDTH HEIGHT BITS R,G,B [--macbinary]
      a picture of one colour: for 24 bits the pixels are that colour; for
      4 and 8 bits palette entry 1 is that colour and every pixel uses it.
      --macbinary puts a 128-byte MacBinary header in front.
"""
import struct
import sys


def main(argv):
    out, width, height, bits = argv[1], int(argv[2]), int(argv[3]), int(argv[4])
    r, g, b = (int(v) for v in argv[5].split(","))
    data = b"LPIC" + struct.pack("<IIB", width, height, bits)
    row_bytes = (bits * width + 31) // 32 * 4
    if bits == 24:
        row = bytes([b, g, r]) * width
    else:
        colours = 1 << bits
        data += bytes([0, 0, 0, 0]) + bytes([b, g, r, 0]) + bytes(4 * (colours - 2))
        row = (bytes([0x11]) * ((width + 1) // 2)) if bits == 4 else bytes([1]) * width
    row = row[:row_bytes].ljust(row_bytes, b"\0")
    data += row * height
    if "--macbinary" in argv:
        header = bytearray(128)
        header[1] = 9
        header[2:11] = b"LPIC file"
        data = bytes(header) + data
    open(out, "wb").write(data)


main(sys.argv)
