#!/usr/bin/env python3
"""Writes the small test images in this directory (standard library only)."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def png(path, width, height, colour_type, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(sum(row, ())) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw))
                + chunk(b"IEND", b""))


def bmp24(path, rows_top_down):
    height, width = len(rows_top_down), len(rows_top_down[0])
    stride = (width * 3 + 3) & ~3
    pixels = b""
    for row in reversed(rows_top_down):  # BMP stores the bottom row first
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        pixels += line + b"\x00" * (stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def bmp32_with_alpha(path, rows_top_down):
    height, width = len(rows_top_down), len(rows_top_down[0])
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows_top_down) for r, g, b, a in row)
    info = struct.pack("<IiiHHIIiiII", 108, width, height, 1, 32, 3, len(pixels), 2835, 2835, 0, 0)
    info += struct.pack("<IIIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 0x73524742)
    info += b"\x00" * 48  # colour-space end points and gamma
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


# 3 x 2 with alpha: opaque, half, clear / opaque black, faint, white.
png(os.path.join(HERE, "alpha.png"), 3, 2, 6, [
    [(255, 0, 0, 255), (0, 255, 0, 128), (0, 0, 255, 0)],
    [(0, 0, 0, 255), (10, 20, 30, 40), (255, 255, 255, 255)],
])
# 2 x 2 without alpha.
png(os.path.join(HERE, "opaque.png"), 2, 2, 2, [
    [(1, 2, 3), (4, 5, 6)],
    [(7, 8, 9), (0, 0, 0)],
])
# 3 x 2, top row black, nearly black, white; bottom row grey-ish, black, dark red.
bmp24(os.path.join(HERE, "keyed.bmp"), [
    [(0, 0, 0), (0, 0, 1), (255, 255, 255)],
    [(10, 20, 30), (0, 0, 0), (1, 0, 0)],
])
# 3 x 1 with its own alpha: clear, half, opaque, all the same colour.
bmp32_with_alpha(os.path.join(HERE, "translucent.bmp"), [
    [(200, 100, 50, 0), (200, 100, 50, 128), (200, 100, 50, 255)],
])
# 100 x 10 flat grey, wide enough to be halved.
bmp24(os.path.join(HERE, "wide.bmp"), [[(128, 128, 128)] * 100] * 10)
