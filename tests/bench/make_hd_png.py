#!/usr/bin/python3
"""Writes resources/hd.png, the image whose TIFF encoding is one block of an Extreme Clean.

Its pixels do not matter, its decoded size does: 4096 x 4096 RGBA is 64 MiB, so a clean with
16 GiB free makes 257 first-phase passes (each pass also pauses 0.01 s). The file stays a few
KB: one colour in a one-entry palette at one bit per pixel (PNG colour type 3), opaque through
tRNS so that it decodes with an alpha channel, and every row is the same run of zero bits.

    /usr/bin/python3 tests/bench/make_hd_png.py resources/hd.png
"""

import struct
import sys
import zlib

SIDE = 4096
COLOUR = bytes((46, 107, 165))


def chunk(kind: bytes, data: bytes) -> bytes:
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def main() -> None:
    path = sys.argv[1] if len(sys.argv) > 1 else "resources/hd.png"
    row = b"\x00" + bytes(SIDE // 8)  # filter None, palette index 0 everywhere
    data = zlib.compress(row * SIDE, 9)
    # IHDR: width, height, bit depth 1, colour type 3 (palette), deflate, filter 0, no interlace.
    header = struct.pack(">IIBBBBB", SIDE, SIDE, 1, 3, 0, 0, 0)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"PLTE", COLOUR) +
           chunk(b"tRNS", b"\xff") + chunk(b"IDAT", data) + chunk(b"IEND", b""))
    with open(path, "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main()
