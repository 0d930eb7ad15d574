#!/usr/bin/env bash
# The installed layout: `cmake --install` into a scratch prefix puts the
# program, its data, the docs, the manual page, the desktop entry and the
# icon in place; moved elsewhere and started from an empty directory, the
# program still finds the bundled scene; a program with no data anywhere
# says so in one line.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail

build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" || { cat "$work/install.log" >&2; fail "cmake --install"; }

echo "the files land under the usual prefixes"
for file in bin/vantor share/vantor/rsc/engine.ini share/vantor/rsc/firstWorld.ini \
    share/vantor/rsc/room/room.ini share/vantor/rsc/textures/crate.tga share/vantor/rsc/examples/box.ini \
    share/doc/vantor/README.md share/doc/vantor/LICENSE share/doc/vantor/copyright \
    share/doc/vantor/docs/world-format.md share/man/man1/vantor.1 \
    share/applications/vantor.desktop share/icons/hicolor/128x128/apps/vantor.png; do
    [ -f "$work/prefix/$file" ] || fail "$file was not installed"
done
[ -x "$work/prefix/bin/vantor" ] || fail "bin/vantor is not executable"
grep -q '^License: MIT' "$work/prefix/share/doc/vantor/copyright" || fail "the copyright file names no licence"
[ -z "$(find "$work/prefix/share/vantor" -name '*.py')" ] || fail "a script was installed as data"
desktop-file-validate "$work/prefix/share/applications/vantor.desktop" || fail "the desktop entry is not valid"
[ "$(file -b --mime-type "$work/prefix/share/icons/hicolor/128x128/apps/vantor.png")" = image/png ] ||
    fail "the icon is not a PNG"

echo "the manual page renders and describes every option of --help"
groff -man -ww -z "$work/prefix/share/man/man1/vantor.1" 2>"$work/groff.log" || fail "groff failed"
[ ! -s "$work/groff.log" ] || { cat "$work/groff.log" >&2; fail "groff warned about the manual page"; }
"$build/vantor" --help | grep -o -- '--[a-z][a-z-]*' | sort -u >"$work/options"
# Each option heads an item of its own: ".B \-\-watch", ".BI \-\-world " FILE"".
while read -r option; do
    escaped=$(printf '%s' "$option" | sed 's/-/\\\\-/g')
    grep -Eq "^\.(B|BI|BR) (.* )?$escaped( |\"|$)" "$work/prefix/share/man/man1/vantor.1" ||
        fail "the manual page does not describe $option"
done <"$work/options"

echo "moved elsewhere and started from an empty directory, it reads the bundled scene"
mv "$work/prefix" "$work/moved"
mkdir "$work/empty"
(cd "$work/empty" && "$work/moved/bin/vantor" --headless --frames 10 --dump installed.json 2>"$work/installed.err") ||
    fail "the installed program ended with an error"
[ ! -s "$work/installed.err" ] || { cat "$work/installed.err" >&2; fail "notes while reading the installed data"; }
(cd "$source" && "$build/vantor" --headless --frames 10 --dump "$work/tree.json" 2>/dev/null) ||
    fail "the program in the source tree ended with an error"
python3 - "$work/empty/installed.json" "$work/tree.json" <<'PY' || fail "the installed run is not the bundled scene"
import json, sys

def bodies(path):
    dump = json.load(open(path))
    return [(world["label"], model["label"], body["name"], body["x"], body["y"])
            for world in dump["worlds"] for model in world["models"] for body in model["bodies"]]

installed, tree = bodies(sys.argv[1]), bodies(sys.argv[2])
labels = {label for label, *_ in installed}
assert labels == {"first world", "second world"}, labels
assert len(installed) > 40, len(installed)
assert installed == tree, "bodies differ from the run in the source tree"
PY
(cd "$work/empty" && "$work/moved/bin/vantor" --check "$work/moved/share/vantor/rsc" >"$work/check.out") ||
    { cat "$work/check.out" >&2; fail "--check on the installed data found notes"; }

echo "with no data anywhere it says so in one line"
mkdir -p "$work/lonely/bin"
cp "$work/moved/bin/vantor" "$work/lonely/bin/vantor"
(cd "$work/empty" && "$work/lonely/bin/vantor" --headless --frames 1 2>"$work/lonely.err") ||
    fail "a run without data ended with an error"
[ "$(grep -c "no rsc/ in the current directory and no installed data in $work/lonely/share/vantor/rsc/" \
    "$work/lonely.err")" = 1 ] || { cat "$work/lonely.err" >&2; fail "no line about the missing data"; }

echo "all install checks passed"
