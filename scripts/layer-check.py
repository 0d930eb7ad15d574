#!/usr/bin/env python3
"""Holds the sources to the layer table, and the build to its source lists.

Fails (exit 1, one line per fault on stderr) on
  - an #include "..." under src/ of a layer that is not below the includer's
    (the same layer is fine); each layer's library links only the layers
    below it, so the linker holds the rest;
  - a .cpp file under src/, tests/, bench/ or fuzz/ that no CMakeLists.txt
    names, since the source lists are written by hand and a file left out
    of them would silently not be built.

LAYERS is the one layer table; docs/architecture.md and scripts/layer-map.py
point here. Bottom up: a layer may include only those before it.
"""
import os
import re
import sys

# (layer, library, paths under src/ that belong to it). A path is a folder or
# a file; the longest matching path decides, so src/render/gl belongs to the
# program although src/render is the render layer.
LAYERS = [
    ("sim", "vantor_sim", ["sim"]),
    ("geometry", "vantor_geometry", ["geometry"]),
    ("assets", "vantor_assets", ["assets"]),
    ("files", "vantor_files", ["files"]),
    ("mouse", "vantor_mouse", ["mouse"]),
    ("render", "vantor_render", ["render"]),
    ("app", "vantor_app", ["app"]),
    ("cli", "vantor_cli", ["app/options.h", "app/options.cpp"]),
    ("program", "vantor", ["app/main.cpp", "app/sdl", "render/gl"]),
]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
SOURCE_SUFFIXES = (".cpp", ".h")


def layer_of(path):
    """The layer index of a path relative to src/, or None."""
    best, best_len = None, -1
    for index, (_, _, prefixes) in enumerate(LAYERS):
        for prefix in prefixes:
            if (path == prefix or path.startswith(prefix + "/")) and len(prefix) > best_len:
                best, best_len = index, len(prefix)
    return best


def sources(root, folder, suffixes):
    for directory, _, names in os.walk(os.path.join(root, folder)):
        for name in sorted(names):
            if name.endswith(suffixes):
                yield os.path.relpath(os.path.join(directory, name), root)


def include_faults(root):
    faults = []
    for path in sources(root, "src", SOURCE_SUFFIXES):
        inner = os.path.relpath(path, "src")
        own = layer_of(inner)
        if own is None:
            faults.append(f"{path}: in no layer of scripts/layer-check.py")
            continue
        with open(os.path.join(root, path), encoding="utf-8") as text:
            for number, line in enumerate(text, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = layer_of(match.group(1))
                if target is not None and target > own:
                    faults.append(f"{path}:{number}: {LAYERS[own][0]} includes {match.group(1)}"
                                  f" of {LAYERS[target][0]}, which is above it")
    return faults


def listing_faults(root):
    """A .cpp counts as listed when a CMakeLists.txt in its folder or above names
    it by its path from there (with or without .cpp), or by its path from the
    root."""
    lists = {}
    folders = [root] + [os.path.join(root, f) for f in ("src", "tests", "bench", "fuzz")]
    for index, folder in enumerate(folders):
        walk = os.walk(folder) if index else [(root, [], ["CMakeLists.txt"])]
        for directory, _, names in walk:
            if "CMakeLists.txt" in names:
                with open(os.path.join(directory, "CMakeLists.txt"), encoding="utf-8") as text:
                    lists[os.path.relpath(directory, root)] = text.read()
    faults = []
    for folder in ("src", "tests", "bench", "fuzz"):
        for path in sources(root, folder, (".cpp",)):
            if path.startswith("tests/corpus/"):
                continue
            named = False
            parts = path.split("/")
            for depth in range(len(parts)):
                base = "/".join(parts[:depth]) or "."
                text = lists.get(base)
                if text is None:
                    continue
                inner = "/".join(parts[depth:])
                stem = inner[: -len(".cpp")]
                if re.search(r"(^|[\s/}(])" + re.escape(stem) + r"(\.cpp)?($|[\s)])", text, re.M):
                    named = True
                    break
            if not named:
                faults.append(f"{path}: named in no CMakeLists.txt source list")
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    root = os.path.abspath(root)
    faults = include_faults(root) + listing_faults(root)
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
