#!/usr/bin/env python3
"""Prints the house: each layer of scripts/layer-check.py's table as a room
with its file count (.cpp and .h under src/), then every include edge
between two layers with the number of #include lines behind it. An edge
that goes up the table is marked "UPWARD" (scripts/layer-check.py fails on
it). Usage: layer-map.py [ROOT]
"""
import collections
import importlib.util
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
spec = importlib.util.spec_from_file_location("layer_check", os.path.join(here, "layer-check.py"))
check = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check)


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, ".."))
    files = collections.Counter()
    edges = collections.Counter()
    for path in check.sources(root, "src", check.SOURCE_SUFFIXES):
        own = check.layer_of(os.path.relpath(path, "src"))
        files[own] += 1
        with open(os.path.join(root, path), encoding="utf-8") as text:
            for line in text:
                match = check.INCLUDE.match(line)
                if match:
                    target = check.layer_of(match.group(1))
                    if target is not None and target != own:
                        edges[(own, target)] += 1
    width = max(len(name) for name, _, _ in check.LAYERS)
    print("rooms, top floor first (layer  library  files):")
    for index in reversed(range(len(check.LAYERS))):
        name, library, _ = check.LAYERS[index]
        print(f"  [{name:<{width}}]  {library:<16} {files[index]:3d}")
    if files[None]:
        print(f"  [{'?':<{width}}]  in no layer      {files[None]:3d}")
    print("arrows (includer -> included: #include lines):")
    for (source, target), count in sorted(edges.items(), key=lambda e: (-(e[0][0] or 0), -(e[0][1] or 0))):
        name = lambda index: check.LAYERS[index][0] if index is not None else "?"
        mark = "  UPWARD" if source is not None and target > source else ""
        print(f"  {name(source):>{width}} -> {name(target):<{width}} {count:3d}{mark}")


if __name__ == "__main__":
    main()
