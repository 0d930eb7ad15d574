#!/usr/bin/env bash
# The window's loop rate and CPU time a pass, without and with F12
# recording, over 10 s each with the bundled scene, read from the record's
# passes and /proc. Runs on a display (tests/gui/run_under_xvfb.sh gives one).
# Usage: video_recording_rate.sh VANTOR RSC_DIR
set -euo pipefail
vantor=$(realpath "$1")
rsc=$(realpath "$2")
work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -9 "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
"$vantor" --settings "$rsc/engine.ini" --world "$rsc/firstWorld.ini" --record record.txt 2>err &
pid=$!
for _ in $(seq 1 100); do xdotool search --name '^Vantor$' >/dev/null 2>&1 && break; sleep 0.1; done
window=$(xdotool search --name '^Vantor$' | head -1)
cpu() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }  # clock ticks, user + system
# Presses KEY twice, SECONDS apart: prints passes, seconds and CPU ticks between.
span() {  # key seconds
    xdotool key --window "$window" "$1"
    local start ticks
    start=$(date +%s.%N)
    ticks=$(cpu)
    sleep "$2"
    xdotool key --window "$window" "$1"
    echo "$(awk "BEGIN { print $(date +%s.%N) - $start }") $(($(cpu) - ticks))"
}
sleep 2
read -r plainSeconds plainTicks <<<"$(span z 10)"
read -r recordingSeconds recordingTicks <<<"$(span F12 10)"
sleep 1
kill -TERM "$pid"
wait "$pid" || true
pid=
passes() { awk -v code="$1" '$2 == "WM_KEYDOWN" && $3 == code { print $1 }' record.txt | head -2 | tr '\n' ' '; }
report() {  # name passes seconds ticks
    read -r first second <<<"$2"
    awk -v n="$1" -v p=$((second - first)) -v s="$3" -v t="$4" -v hz="$(getconf CLK_TCK)" \
        'BEGIN { printf "%-18s %5.1f passes a second, %5.1f ms CPU a pass\n", n, p / s, t * 1000 / hz / p }'
}
report "without recording" "$(passes 0x5A)" "$plainSeconds" "$plainTicks"
report "recording (F12)" "$(passes 0x7B)" "$recordingSeconds" "$recordingTicks"
echo "clip: $(ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 vantor-*.mp4) frames"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
