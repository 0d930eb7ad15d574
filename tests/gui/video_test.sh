#!/usr/bin/env bash
# Video clips of the real program (run it through run_under_xvfb.sh): a
# recorded session replayed headless into .mp4, .webm and .gif has the
# frames, size and rate asked for (read back with ffprobe), and its frames
# look like --screenshot of the same pass; bad requests (an unknown
# extension, a missing folder, an odd size for H.264, a full disk) are one
# line naming the file, exit code 1, and leave no file behind.
# Usage: video_test.sh VANTOR RSC_DIR DATA_DIR
set -euo pipefail

vantor=$1
rsc=$2
data=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/err" ] && sed 's/^/  vantor: /' "$work/err" >&2
    exit 1
}

run() { "$vantor" --settings "$rsc/engine.ini" --world "$rsc/firstWorld.ini" "$@"; }

probe() {  # file -> "codec width height rate frames"
    ffprobe -v error -count_frames -select_streams v:0 \
        -show_entries stream=codec_name,width,height,r_frame_rate,nb_read_frames -of csv=p=0 "$1" | tr ',' ' '
}

# The root-mean-square difference of two pictures, 0 to 1.
difference() { { compare -metric RMSE "$1" "$2" null: 2>&1 || true; } | sed 's/.*(\(.*\))/\1/'; }

# Frame $2 (from 1) of a clip as a PNG.
frame_of() {  # clip frame png
    ffmpeg -v error -y -i "$1" -vf "select=eq(n\,$(($2 - 1)))" -frames:v 1 "$3"
}

echo "the drag replayed into clips: frames, size and rate; pass 25 as in a screenshot"
run --replay "$data/drag.txt" --screenshot "$work/shot.png" --screenshot-frames 25 2>"$work/err" ||
    fail "the screenshot of pass 25"
for clip in clip.mp4 clip.webm clip.gif; do
    run --headless --replay "$data/drag.txt" --frames 40 --video "$work/$clip" 2>"$work/err" ||
        fail "the export of $clip"
    read -r codec width height rate frames <<<"$(probe "$work/$clip")"
    [ "$width x $height" = "1024 x 768" ] || fail "$clip is ${width}x$height, not the window's 1024x768"
    [ "$rate" = "50/1" ] || fail "$clip plays at $rate frames a second, not 50"
    [ "$frames" = 40 ] || fail "$clip has $frames frames, not 40"
    frame_of "$work/$clip" 25 "$work/frame.png"
    d=$(difference "$work/shot.png" "$work/frame.png")
    echo "  $clip: $codec, frame 25 differs from the screenshot by $d"
    awk -v d="$d" 'BEGIN { exit !(d < 0.03) }' || fail "frame 25 of $clip is not the screenshot (RMSE $d)"
    # Frame 15 shows the body elsewhere: the comparison tells frames apart.
    frame_of "$work/$clip" 15 "$work/other.png"
    awk -v d="$(difference "$work/shot.png" "$work/other.png")" 'BEGIN { exit !(d > 0.03) }' ||
        fail "frame 15 of $clip passes for frame 25"
done
# Not a terminal: one plain line per tenth.
lines=$(grep -c "clip.gif: [0-9]* % (" "$work/err" || true)
[ "$lines" = 10 ] || fail "$lines progress lines for the GIF, not 10"
[ -z "$(find "$work" -name '.clip*')" ] || fail "a temporary file was left: $(ls -a "$work")"

echo "to its end, the replay is the clip; --video-size scales"
run --headless --replay "$data/drag.txt" --video "$work/end.gif" --video-size 320x240 2>"$work/err" ||
    fail "the export to the record's end"
read -r codec width height rate frames <<<"$(probe "$work/end.gif")"
[ "${width}x$height" = 320x240 ] || fail "--video-size 320x240 made ${width}x$height"
[ "$frames" -ge 60 ] || fail "the clip to the record's end has $frames frames (the close is at pass 59)"

# One line naming the file, exit code 1, nothing left in the folder.
expect_refused() {  # file reason [options...]
    local file=$1 reason=$2
    shift 2
    mkdir -p "$work/bad"
    local code=0
    run --headless --frames 20 --video "$file" "$@" 2>"$work/err" || code=$?
    [ "$code" = 1 ] || fail "$file: exit code $code, expected 1"
    # Progress lines aside, when the failure comes after some frames.
    grep -v " % (" "$work/err" >"$work/told" || true
    [ "$(wc -l <"$work/told")" = 1 ] || fail "$file: not one line on stderr"
    grep -q "$file: .*$reason" "$work/told" || fail "$file: the line does not say \"$reason\""
    [ -z "$(ls -A "$work/bad")" ] || fail "$file: left $(ls -A "$work/bad")"
    echo "  $(cat "$work/told")"
}
echo "bad requests"
expect_refused "$work/bad/clip.avi" "unknown extension"
expect_refused "$work/bad/missing/clip.mp4" "No such file or directory"
expect_refused "$work/bad/clip.mp4" "even width and height" --video-size 641x480
# A full disk: the file size limit makes writes fail as a full disk does.
(
    trap '' XFSZ
    ulimit -f 8
    expect_refused "$work/bad/clip.mp4" "too large"
)
echo "PASS"
