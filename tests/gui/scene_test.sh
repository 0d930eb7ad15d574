#!/usr/bin/env bash
# The bundled scene in the real program on an X display (run it through
# run_under_xvfb.sh): --screenshot writes the 100th frame as a PNG and exits
# with 0, and the picture is not blank: the bolted floor, a ragdoll and the
# sign's texture are where they belong, and a bad screenshot path gives 1.
# Usage: scene_test.sh VANTOR RSC_DIR
set -euo pipefail

vantor=$1
rsc=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/out" ] && sed 's/^/  vantor: /' "$work/out" >&2
    [ -f "$work/shot.png" ] && cp "$work/shot.png" scene_failure.png && echo "  (picture left in scene_failure.png)" >&2
    exit 1
}

run() {  # screenshot file
    timeout 60 "$vantor" --settings "$rsc/engine.ini" --world "$rsc/firstWorld.ini" \
        --screenshot "$1" --screenshot-frames 100 >"$work/out" 2>&1
}

# The colour (RRGGBB) at world point (x, y): origin at the picture's centre, y up.
colour_at() {
    convert "$work/shot.png" -format "%[hex:p{$((width / 2 + $1)),$((height / 2 - $2 - 1))}]" info: | cut -c1-6
}

# How many pixels near colour RRGGBB (within FUZZ, 3% unless given) lie in
# the world rectangle left bottom right top.
count_colour() {  # left bottom right top RRGGBB [FUZZ]
    local left=$1 bottom=$2 right=$3 top=$4 colour=$5 fuzz=${6:-3%}
    local crop="$((right - left))x$((top - bottom))+$((width / 2 + left))+$((height / 2 - top))"
    convert "$work/shot.png" -crop "$crop" +repage -fuzz "$fuzz" -fill black +opaque "#$colour" \
        -fill white -opaque "#$colour" -format "%[fx:round(mean*w*h)]" info:
}

echo "the screenshot of the bundled scene"
code=0
run "$work/shot.png" || code=$?
[ "$code" -eq 0 ] || fail "exit code $code, expected 0"
[ -s "$work/shot.png" ] || fail "no screenshot written"
read -r width height <<<"$(identify -format "%w %h" "$work/shot.png")"
[ "$width $height" = "1024 768" ] || fail "screenshot is $width x $height, expected 1024 x 768"

floor=$(colour_at 0 -345)
[ "$floor" = "3A3E4C" ] || fail "the bolted floor at (0, -345): got $floor, expected 3A3E4C"
floor=$(colour_at -300 -350)
[ "$floor" = "3A3E4C" ] || fail "the bolted floor at (-300, -350): got $floor, expected 3A3E4C"
[ "$(colour_at 300 250)" = "000000" ] || fail "empty space at (300, 250) is not black"

# The ragdolls' shirts (214, 74, 60): wherever the figures have fallen,
# inside the room. One chest alone is about 500 pixels.
shirts=$(count_colour -484 -330 484 200 D64A3C)
[ "$shirts" -gt 300 ] || fail "only $shirts pixels of the ragdolls' shirts"

# The sign is bolted and shows its PNG, not its navy shape: amber letters.
letters=$(count_colour -128 290 128 354 FFBE28)
[ "$letters" -gt 1500 ] || fail "only $letters amber pixels of the sign's texture"
# The crate's TGA planks (their grain varies), around where it rests.
planks=$(count_colour -440 -330 -340 -260 C48C50 10%)
[ "$planks" -gt 400 ] || fail "only $planks pixels of the crate's planks"

echo "a screenshot that cannot be written ends with 1"
code=0
run "$work/no-such-directory/shot.png" || code=$?
[ "$code" -eq 1 ] || fail "exit code $code for an unwritable screenshot, expected 1"

echo "all scene checks passed"
