#!/usr/bin/env bash
# Video clips of the real program (run it through run_under_xvfb.sh): a
# recorded session replayed headless into .mp4, .webm and .gif has the
# frames, size and rate asked for (read back with ffprobe), and its frames
# look like --screenshot of the same pass; bad requests (an unknown
# extension, a missing folder, an odd size for H.264, a full disk) are one
# line naming the file, exit code 1, and leave no file behind. In the
# window, F12 starts and stops recording, and closing the window finishes
# the clip; both clips play. The loop's rate while recording is printed.
# Usage: video_test.sh VANTOR RSC_DIR DATA_DIR CLOSE_WINDOW
set -euo pipefail

vantor=$1
rsc=$2
data=$3
close_window=$4
work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -9 "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

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

echo "F12 in the window: stop with F12, then with the window's close"
mkdir -p "$work/window"
cd "$work/window"
run --record "$work/window.txt" 2>"$work/err" &
pid=$!
for _ in $(seq 1 100); do
    xdotool search --name '^Vantor$' >/dev/null 2>&1 && break
    sleep 0.1
done
window=$(xdotool search --name '^Vantor$' | head -1)
[ -n "$window" ] || fail "no window"
# Polls (20 s at most) until the folder holds a file matching the pattern.
wait_for_file() {  # pattern
    for _ in $(seq 1 200); do
        compgen -G "$1" >/dev/null && return 0
        kill -0 "$pid" 2>/dev/null || fail "vantor ended early"
        sleep 0.1
    done
    fail "no $1 in $(ls -A)"
}
xdotool key --window "$window" F12
start=$(date +%s.%N)
wait_for_file ".vantor-*.mp4.*"
sleep 4
xdotool key --window "$window" F12
stop=$(date +%s.%N)
wait_for_file "vantor-*.mp4"
first=$(ls vantor-*.mp4)
# The second stamp differs from the first only after a second has passed.
sleep 1.1
xdotool key --window "$window" F12
for _ in $(seq 1 100); do [ "$(compgen -G ".vantor-*.mp4.*" | wc -l)" -ge 1 ] && break; sleep 0.1; done
sleep 1
"$close_window" Vantor || fail "close_window found no window"
for _ in $(seq 1 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
wait "$pid" || fail "vantor ended with $?"
pid=
[ "$(ls vantor-*.mp4 | wc -l)" = 2 ] || fail "not two clips: $(ls -A)"
[ -z "$(compgen -G ".vantor-*")" ] || fail "a temporary file was left: $(ls -A)"
for clip in vantor-*.mp4; do
    read -r codec width height rate frames <<<"$(probe "$clip")"
    [ "$codec $rate" = "h264 50/1" ] || fail "$clip: $codec at $rate"
    [ "${width}x$height" = 1024x768 ] || fail "$clip is ${width}x$height, not the window's 1024x768"
    [ "$frames" -ge 25 ] || fail "$clip has $frames frames"
    echo "  $clip: $frames frames"
done
# The loop's passes while recording, from the record's F12 presses
# (0x7B), over the time between them: 50 a second is the pacing's rate.
passes=$(awk '$2 == "WM_KEYDOWN" && $3 == "0x7B" { print $1 }' "$work/window.txt" | head -2 | tr '\n' ' ')
read -r pass1 pass2 <<<"$passes"
frames=$(probe "$first" | awk '{ print $5 }')
awk -v p="$((pass2 - pass1))" -v a="$start" -v b="$stop" -v f="$frames" \
    'BEGIN { printf "  recording: %d passes in %.2f s, %.1f passes a second; the clip has %d frames\n", p, b - a, p / (b - a), f }'
[ "$frames" -ge "$((pass2 - pass1 - 2))" ] || fail "the clip lost frames: $frames for $((pass2 - pass1)) passes"
echo "PASS"
