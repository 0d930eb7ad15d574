#!/usr/bin/env python3
"""Writes the benchmark scenes of bench/scenes as world files.

The scenes are committed; this script only documents how they were made and
remakes them. Changing a scene changes the golden trajectories (the golden
test reads these files), so regenerate the goldens in the same commit and
say why.

A world holds at most 256 bodies (the reader leaves out a model beyond
that), so every scene counts its bolted container or floor among them.

Run: python3 bench/scenes/make_scenes.py
"""

import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))

# Collision masks. The floor shares a bit with everything; the parts of a
# figure alternate between two bits by depth in the joint tree, so a part
# never collides with the part it hangs from (their outlines meet at the
# joint) but does collide with the rest.
EVEN_PART = "0x1"
ODD_PART = "0x2"
FLOOR = "0x18003"


def fmt(value):
    text = f"{value:.4f}".rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def polygon(points, indent):
    return indent + "p { " + "  ".join(f"v {fmt(x)} {fmt(y)}" for x, y in points) + " }"


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def regular(cx, cy, radius, count, phase=0.0):
    return [(cx + radius * math.cos(phase + 2 * math.pi * k / count),
             cy + radius * math.sin(phase + 2 * math.pi * k / count)) for k in range(count)]


def rect_centroid(rects):
    """Area centre of non-overlapping rectangles (x0, y0, x1, y1)."""
    areas = [(x1 - x0) * (y1 - y0) for x0, y0, x1, y1 in rects]
    cx = sum(a * (r[0] + r[2]) / 2 for a, r in zip(areas, rects)) / sum(areas)
    cy = sum(a * (r[1] + r[3]) / 2 for a, r in zip(areas, rects)) / sum(areas)
    return cx, cy


def container(left, right, floor_y, wall_top, thickness, label):
    """One bolted body of three shapes: floor and two walls. A body lands
    with its mass centre on its model's translation, so the model is moved
    to that centre and the outlines are given about it."""
    rects = [(left - thickness, floor_y - thickness, right + thickness, floor_y),
             (left - thickness, floor_y, left, wall_top),
             (right, floor_y, right + thickness, wall_top)]
    cx, cy = rect_centroid(rects)
    lines = ["  M {", f"    l '{label}'", f"    x= {fmt(cx)} {fmt(cy)}", "    P {", f"      l '{label}'",
             "      ! BOLTED", "      g { x= 0 0 }"]
    for x0, y0, x1, y1 in rects:
        lines.append(polygon(rect(x0 - cx, y0 - cy, x1 - cx, y1 - cy), "      ")[:-1] + f" k {FLOOR} }}")
    lines += ["    }", "  }"]
    return lines


def single_body_model(label, cx, cy, points, holes=()):
    """A model of one free body whose mass centre is (cx, cy); the outline
    is given about that centre (a body lands with its mass centre on its
    model's translation)."""
    shape = "      p { " + "  ".join(f"v {fmt(x)} {fmt(y)}" for x, y in points)
    for hole in holes:
        shape += "  h  " + "  ".join(f"v {fmt(x)} {fmt(y)}" for x, y in hole)
    shape += " }"
    return ["  M {", f"    l '{label}'", f"    x= {fmt(cx)} {fmt(cy)}", "    P {", "      g { x= 0 0 }", shape,
            "    }", "  }"]


def write(name, title, models):
    with open(os.path.join(HERE, name), "w") as out:
        # Comments only inside the world block: at the top level "/" is no
        # comment key, and the letters of the text would act as settings keys.
        out.write("W {\n" + f"  // {title}\n  // Made by make_scenes.py; edit the script, not this file.\n")
        out.write(f"  l '{name[:-4]}'\n")
        for line in models:
            out.write(line + "\n")
        out.write("}\n")


def box_pour():
    """255 boxes, one body per model, in a grid above a bolted container;
    with the container, 256 bodies."""
    lines = container(-150, 150, -200, 20, 10, "container")
    columns, rows, pitch, size = 17, 15, 14.0, 10.0
    for row in range(rows):
        shift = 3.0 if row % 2 else -3.0  # staggered rows pile up instead of stacking
        for column in range(columns):
            cx = (column - (columns - 1) / 2) * pitch + shift
            cy = -150 + row * pitch * 1.1
            half = size / 2
            lines += single_body_model(f"box {row * columns + column}", cx, cy, rect(-half, -half, half, half))
    return lines


def ragdoll_parts():
    """One figure of 15 boxes, standing with its pelvis at the origin:
    (name, outline, depth, plug, sockets, children). Children hang at the
    sockets in order."""
    def part(name, outline, depth, plug, children=()):
        return {"name": name, "outline": outline, "depth": depth, "plug": plug, "children": list(children)}

    def arm(side):
        sx = -1 if side == "left" else 1
        hand = part(f"{side} hand", rect(*sorted_rect(sx * 7, -10, sx * 11, -4)), 4, (sx * 9, -4))
        lower = part("lower arm", rect(*sorted_rect(sx * 7, -4, sx * 11, 8)), 3, (sx * 9, 8),
                     [((sx * 9, -4), hand)])
        upper = part(f"{side} upper arm", rect(*sorted_rect(sx * 7, 8, sx * 11, 21)), 2, (sx * 9, 21),
                     [((sx * 9, 8), lower)])
        return upper

    def leg(side):
        sx = -1 if side == "left" else 1
        foot = part(f"{side} foot", rect(*sorted_rect(sx * 1, -34, sx * 9, -30)), 3, (sx * 3, -30))
        shin = part(f"{side} shin", rect(*sorted_rect(sx * 1, -30, sx * 5, -17)), 2, (sx * 3, -17),
                    [((sx * 3, -30), foot)])
        thigh = part(f"{side} thigh", rect(*sorted_rect(sx * 1, -17, sx * 5, -4)), 1, (sx * 3, -4),
                     [((sx * 3, -17), shin)])
        return thigh

    head = part("head", regular(0, 29, 5, 10, math.pi / 2), 2, (0, 24))
    chest = part("chest", rect(-7, 4, 7, 24), 1, (0, 4),
                 [((0, 24), head), ((-9, 21), arm("left")), ((9, 21), arm("right"))])
    pelvis = part("pelvis", rect(-6, -4, 6, 4), 0, (0, 0),
                  [((0, 4), chest), ((-3, -4), leg("left")), ((3, -4), leg("right"))])
    return pelvis


def sorted_rect(x0, y0, x1, y1):
    return min(x0, x1), min(y0, y1), max(x0, x1), max(y0, y1)


def body_lines(part, indent, masked=True):
    """A body block and, nested, its children's. Unmasked parts keep the
    shape's default mask, which every other shape shares."""
    lines = [indent + "P {", indent + f"  l '{part['name']}'",
             indent + f"  g {{ x= {fmt(part['plug'][0])} {fmt(part['plug'][1])} }}"]
    for (sx, sy), _ in part["children"]:
        lines.append(indent + f"  s {{ x= {fmt(sx)} {fmt(sy)} }}")
    if masked:
        mask = EVEN_PART if part["depth"] % 2 == 0 else ODD_PART
        lines.append(polygon(part["outline"], indent + "  ")[:-1] + f"k {mask} }}")
    else:
        lines.append(polygon(part["outline"], indent + "  "))
    for _, child in part["children"]:
        lines += body_lines(child, indent + "  ", masked)
    lines.append(indent + "}")
    return lines


def count_parts(part):
    return 1 + sum(count_parts(child) for _, child in part["children"])


def ragdolls():
    """16 figures of 15 bodies in two staggered rows above a bolted floor;
    with the floor, 241 bodies (16 of 16 and a floor would pass the limit)."""
    lines = container(-320, 320, -200, -170, 10, "floor")
    figure = ragdoll_parts()
    assert count_parts(figure) == 15
    for index in range(16):
        row, column = divmod(index, 8)
        x = -280 + column * 80 + (20 if row else 0)
        y = -100 + row * 90
        angle = (index * 37) % 90 - 45  # tumbling figures, not a parade
        lines += ["  M {", f"    l 'figure {index}'", f"    a {angle}", f"    x= {fmt(x)} {fmt(y)}"]
        lines += body_lines(figure, "    ")
        lines.append("  }")
    return lines


def overlapping_ragdoll_parts():
    """One figure of 11 boxes with its pelvis at the origin, every part but
    the pelvis reaching 2 units past its joint into the part it hangs from
    (each narrower than its parent, as figures drawn with overlapping joints
    are): pelvis, chest, head, two arms of two parts, two legs of two parts."""
    reach = 2

    def part(name, outline, plug, children=()):
        return {"name": name, "outline": outline, "depth": 0, "plug": plug, "children": list(children)}

    def arm(side):
        sx = -1 if side == "left" else 1
        lower = part("lower arm", rect(*sorted_rect(sx * 7.5, -6, sx * 10.5, 8 + reach)), (sx * 9, 8))
        upper = part(f"{side} upper arm", rect(*sorted_rect(sx * 7, 8, sx * 11, 22)), (sx * 9, 22),
                     [((sx * 9, 8), lower)])
        return upper

    def leg(side):
        sx = -1 if side == "left" else 1
        shin = part(f"{side} shin", rect(*sorted_rect(sx * 1.5, -32, sx * 4.5, -18 + reach)), (sx * 3, -18))
        thigh = part(f"{side} thigh", rect(*sorted_rect(sx * 1, -18, sx * 5, -4 + reach)), (sx * 3, -4),
                     [((sx * 3, -18), shin)])
        return thigh

    head = part("head", rect(-4, 24 - reach, 4, 32), (0, 24))
    chest = part("chest", rect(-5, 4 - reach, 5, 24), (0, 4),
                 [((0, 24), head), ((-9, 22), arm("left")), ((9, 22), arm("right"))])
    return part("pelvis", rect(-6, -4, 6, 4), (0, 0),
                [((0, 4), chest), ((-3, -4), leg("left")), ((3, -4), leg("right"))])


def ragdoll_storm():
    """16 figures of 11 boxes whose limbs overlap their parents at the
    joints, with no masks, so every figure collides with itself in every
    pass; two rows above a bolted floor, 177 bodies."""
    lines = container(-320, 320, -200, -170, 10, "floor")
    figure = overlapping_ragdoll_parts()
    assert count_parts(figure) == 11
    for index in range(16):
        row, column = divmod(index, 8)
        x = -280 + column * 80 + (20 if row else 0)
        y = -100 + row * 90
        angle = (index * 37) % 90 - 45
        lines += ["  M {", f"    l 'figure {index}'", f"    a {angle}", f"    x= {fmt(x)} {fmt(y)}"]
        lines += body_lines(figure, "    ", masked=False)
        lines.append("  }")
    return lines


def pyramid():
    """A pyramid of 20 rows of boxes, 20 at the bottom and 1 at the top,
    each row standing on the one below and the bottom row on a bolted
    floor, edge on edge: 210 boxes, 211 bodies."""
    floor = ["  M {", "    l floor", "    x= 0 -205", "    P {", "      l floor", "      ! BOLTED",
             "      g { x= 0 0 }", polygon(rect(-250, -5, 250, 5), "      "), "    }", "  }"]
    lines = list(floor)
    rows, size, gap = 20, 16.0, 0.0
    half = size / 2
    for row in range(rows):
        count = rows - row
        for column in range(count):
            cx = (column - (count - 1) / 2) * (size + gap)
            cy = -200 + gap + half + row * (size + gap)
            lines += single_body_model(f"box {row} {column}", cx, cy, rect(-half, -half, half, half))
    return lines


def chain():
    """A bolted anchor and 100 links held out level to its right: the chain
    falls and swings. One model of 101 bodies; links alternate masks so
    neighbours, which meet at their joint, do not collide."""
    link, width = 6.0, 2.0
    # The anchor's centre is the model's origin; the model is moved to
    # (-300, 150), left of the window's centre, so the chain swings across.
    start_x, start_y = 0.0, 0.0

    def link_lines(index, indent):
        x0 = start_x + (index - 1) * link
        mask = ODD_PART if index % 2 else EVEN_PART
        lines = [indent + "P {", indent + f"  l 'link {index}'",
                 indent + f"  g {{ x= {fmt(x0)} {fmt(start_y)} }}"]
        if index < 100:
            lines.append(indent + f"  s {{ x= {fmt(x0 + link)} {fmt(start_y)} }}")
        outline = rect(x0, start_y - width / 2, x0 + link, start_y + width / 2)
        lines.append(polygon(outline, indent + "  ")[:-1] + f"k {mask} }}")
        return lines

    # Written flat: each link's block holds the next one, so the nesting
    # is 101 deep; the reader has no depth limit.
    lines = ["  M {", "    l chain", "    x= -300 150", "    P {", "      l anchor", "      ! BOLTED",
             f"      g {{ x= {fmt(start_x)} {fmt(start_y)} }}",
             f"      s {{ x= {fmt(start_x)} {fmt(start_y)} }}",
             polygon(rect(start_x - 4, start_y - 4, start_x + 4, start_y + 4), "      ")[:-1] + f"k {EVEN_PART} }}"]
    closers = []
    for index in range(1, 101):
        indent = "      " if index == 1 else "        "  # flat: 100 levels of indent would not read
        lines += link_lines(index, indent)
        closers.append(indent + "}")
    lines += reversed(closers)
    lines += ["    }", "  }"]
    return lines


def pile():
    """64 boxes stacked eight by eight in a bolted container, at rest once
    settled; 65 bodies."""
    lines = container(-68, 68, -200, -40, 10, "container")
    size, gap = 16.0, 0.5
    for row in range(8):
        for column in range(8):
            x0 = -66 + column * (size + gap) + (0.25 if row % 2 else 0.0)
            y0 = -200 + gap + row * (size + gap)
            half = size / 2
            lines += single_body_model(f"box {row * 8 + column}", x0 + half, y0 + half,
                                       rect(-half, -half, half, half))
    return lines


def discs():
    """255 discs of 16 vertices, each with an 8-vertex hole, poured into a
    bolted container: 24 vertices per body, six times a box's, 256 bodies.
    (A pair of touching discs costs 2 x 24 x 24 vertex-edge tests per
    attempt; with more vertices the golden test would outgrow its time.)"""
    lines = container(-200, 200, -200, 60, 10, "container")
    columns, rows, pitch = 17, 15, 19.0
    for row in range(rows):
        shift = 4.0 if row % 2 else -4.0
        for column in range(columns):
            cx = (column - (columns - 1) / 2) * pitch * 1.2 + shift
            cy = -175 + row * pitch
            phase = 0.1 * (row * columns + column)  # varied orientations
            outer = regular(0, 0, 8.0, 16, phase)
            hole = list(reversed(regular(0, 0, 3.5, 8, phase)))
            lines += single_body_model(f"disc {row * columns + column}", cx, cy, outer, holes=[hole])
    return lines


def main():
    write("box_pour.ini", "255 boxes poured into a bolted container (256 bodies).", box_pour())
    write("ragdolls.ini", "16 ragdolls of 15 bodies dropped on a bolted floor (241 bodies).", ragdolls())
    write("chain.ini", "A chain of 100 links hanging from a bolted anchor, swinging (101 bodies).", chain())
    write("pile.ini", "64 single-body models resting in a pile in a bolted container (65 bodies).", pile())
    write("pyramid.ini", "A pyramid of 20 rows of boxes on a bolted floor (211 bodies).", pyramid())
    write("ragdoll_storm.ini", "16 ragdolls of 11 boxes overlapping at the joints, no masks (177 bodies).",
          ragdoll_storm())
    write("discs.ini", "255 disc-and-hole bodies of 24 vertices poured into a bolted container (256 bodies).",
          discs())


if __name__ == "__main__":
    main()
