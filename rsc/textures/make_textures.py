#!/usr/bin/env python3
"""Makes the bundled scene's two images with nothing but the standard library.

    crate.tga  64 x 64, 24-bit uncompressed TGA: planks in a dark frame with a brace
    sign.png   128 x 32, 8-bit RGBA PNG: "VANTOR" in amber on navy, corners cut
               out with alpha 0 so the window's background shows through

Run it from anywhere; it writes next to itself. The output is the same on every run.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def noise(x, y, seed):
    """A small deterministic hash in 0..1, for grain and speckle."""
    n = (x * 374761393 + y * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65535.0


def clamp(value):
    return max(0, min(255, int(value)))


# ---------------------------------------------------------------- crate.tga

def crate_pixel(x, y):
    size = 64
    border = 6
    # The frame and the diagonal brace are darker, denser wood.
    on_frame = x < border or y < border or x >= size - border or y >= size - border
    on_brace = abs(x - y) < 5
    if on_frame or on_brace:
        base = (120, 72, 34)
        grain = 0.85 + 0.15 * noise(x // 2, y, 7)
        edge = x in (0, size - 1) or y in (0, size - 1)
        shade = 0.55 if edge else 1.0
        return tuple(clamp(c * grain * shade) for c in base)
    # Horizontal planks, each its own shade, with dark seams between them.
    plank = (y - border) // 13
    if (y - border) % 13 == 12:
        return (70, 40, 18)
    tint = 0.9 + 0.2 * noise(plank, 0, 3)
    grain = 0.88 + 0.12 * noise(x // 3, y, 11 + plank)
    base = (196, 140, 80)
    return tuple(clamp(c * tint * grain) for c in base)


def write_tga(path, width, height, pixel):
    # Type 2 (uncompressed true colour), 24 bits, origin at the bottom left:
    # rows are stored bottom row first, pixels as blue, green, red.
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, 24, 0)
    body = bytearray()
    for row in range(height):
        y = height - 1 - row
        for x in range(width):
            r, g, b = pixel(x, y)
            body += bytes((b, g, r))
    with open(path, "wb") as out:
        out.write(header + bytes(body))


# ---------------------------------------------------------------- sign.png

# 5 x 7 letters, one string per row, "#" lit.
LETTERS = {
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "N": ["#...#", "##..#", "#.#.#", "#.#.#", "#..##", "#...#", "#...#"],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
}


def sign_pixels(width, height, text):
    scale = 3  # each letter cell is 3 x 3 pixels
    pitch = 6 * scale
    left = (width - (len(text) * pitch - scale)) // 2
    top = (height - 7 * scale) // 2
    lit = set()
    for index, letter in enumerate(text):
        for row, line in enumerate(LETTERS[letter]):
            for column, mark in enumerate(line):
                if mark != "#":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        lit.add((left + index * pitch + column * scale + dx, top + row * scale + dy))
    rows = []
    corner = 5
    for y in range(height):
        row = bytearray()
        for x in range(width):
            # Cut corners: transparent outside a quarter circle.
            cx = corner - x if x < corner else (x - (width - 1 - corner) if x > width - 1 - corner else 0)
            cy = corner - y if y < corner else (y - (height - 1 - corner) if y > height - 1 - corner else 0)
            if cx * cx + cy * cy > corner * corner:
                row += bytes((0, 0, 0, 0))
            elif (x, y) in lit:
                row += bytes((255, 190, 40, 255))
            elif x < 2 or y < 2 or x >= width - 2 or y >= height - 2:
                row += bytes((90, 110, 170, 255))
            else:
                row += bytes((20, 28, clamp(70 + 20 * y / height), 255))
        rows.append(bytes(row))
    return rows


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + row for row in rows)  # filter type 0 on every row
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8 bits, RGBA
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(png_chunk(b"IHDR", ihdr))
        out.write(png_chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(png_chunk(b"IEND", b""))


if __name__ == "__main__":
    write_tga(os.path.join(HERE, "crate.tga"), 64, 64, crate_pixel)
    write_png(os.path.join(HERE, "sign.png"), 128, 32, sign_pixels(128, 32, "VANTOR"))
