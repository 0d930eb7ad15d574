#!/usr/bin/env python3
"""Makes the desktop icon, vantor.png (128 x 128 RGBA), next to itself.

A navy tile with rounded corners: an amber "V" in the letters of the bundled
scene's sign, a crate tumbling off its right arm and a floor line. It reuses
the sign's letters and PNG writer from rsc/textures/make_textures.py, so the
icon and the scene look alike. The output is the same on every run.
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # leave no cache in rsc/, which is installed
sys.path.insert(0, os.path.join(HERE, "..", "rsc", "textures"))
from make_textures import LETTERS, clamp, crate_pixel, write_png  # noqa: E402

SIZE = 128
CORNER = 18


def outside_rounded_tile(x, y):
    cx = max(CORNER - x, x - (SIZE - 1 - CORNER), 0)
    cy = max(CORNER - y, y - (SIZE - 1 - CORNER), 0)
    return cx * cx + cy * cy > CORNER * CORNER


def letter_v(x, y):
    scale = 11  # 5 x 7 cells of 11 pixels: 55 x 77
    left, top = 22, 30
    column, row = (x - left) // scale, (y - top) // scale
    if x < left or y < top or column >= 5 or row >= 7:
        return False
    return LETTERS["V"][row][column] == "#"


def crate(x, y):
    """The crate texture, 26 pixels wide, turned 20 degrees, above the V's right arm."""
    cx, cy, half = 96, 30, 13
    turn = math.radians(20)
    u = (x - cx) * math.cos(turn) + (y - cy) * math.sin(turn)
    v = -(x - cx) * math.sin(turn) + (y - cy) * math.cos(turn)
    if abs(u) > half or abs(v) > half:
        return None
    return crate_pixel(int((u + half) * 63 / (2 * half)), int((v + half) * 63 / (2 * half)))


def icon_pixels():
    rows = []
    for y in range(SIZE):
        row = bytearray()
        for x in range(SIZE):
            if outside_rounded_tile(x, y):
                row += bytes((0, 0, 0, 0))
                continue
            boxed = crate(x, y)
            if boxed is not None:
                row += bytes(boxed + (255,))
            elif letter_v(x, y):
                row += bytes((255, 190, 40, 255))
            elif 112 <= y <= 114 and 12 <= x <= SIZE - 13:
                row += bytes((90, 110, 170, 255))
            else:
                row += bytes((20, 28, clamp(60 + 40 * y / SIZE), 255))
        rows.append(bytes(row))
    return rows


if __name__ == "__main__":
    write_png(os.path.join(HERE, "vantor.png"), SIZE, SIZE, icon_pixels())
