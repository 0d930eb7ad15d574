#!/usr/bin/env bash
# Real input on an X display (run it through run_under_xvfb.sh): xdotool
# presses on a floating box and drags it, a file dropped through XDND lands
# at the cursor, Alt+Enter switches to full screen and back. Each session is recorded, its state dumped when the
# window closes, then replayed without a window: the dumps must be equal.
# Usage: input_test.sh VANTOR XDND_DROP CLOSE_WINDOW DATA_DIR
set -euo pipefail

vantor=$1
xdnd_drop=$2
close_window=$3
data=$4
work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -9 "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/out" ] && sed 's/^/  vantor: /' "$work/out" >&2
    exit 1
}

# "W H X Y" of the top-level window with this exact title, or nothing.
geometry_of() {
    { xwininfo -root -tree 2>/dev/null || true; } | awk -v title="\"$1\":" '
        index($0, title) { for (i = 1; i <= NF; i++) if ($i ~ /^[0-9]+x[0-9]+\+/) { split($i, g, /[x+]/); print g[1], g[2], g[3], g[4]; exit } }'
}

wait_for_window() {
    for _ in $(seq 1 100); do
        [ -n "$(geometry_of Vantor)" ] && return 0
        kill -0 "$pid" 2>/dev/null || fail "vantor ended before its window appeared"
        sleep 0.1
    done
    fail "no window \"Vantor\""
}

expect_exit_zero() {
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "vantor did not end"
    local code=0
    wait "$pid" || code=$?
    pid=
    [ "$code" -eq 0 ] || fail "exit code $code, expected 0"
}

# Moves the pointer to world point (x, y) of the window: origin at the
# client area's centre, y up.
pointer_to() {
    read -r w h left top <<<"$(geometry_of Vantor)"
    xdotool mousemove $((left + w / 2 + $1)) $((top + h / 2 - $2))
}

# A value from a dump: python3 -c's expression over `d`.
dump_value() {  # file expression
    python3 -c "import json,sys; d=json.load(open(sys.argv[1])); print($2)" "$1"
}

# The session replayed without a window must end in the live state.
expect_same_replay() {  # name
    "$vantor" --headless --settings "$data/gui/engine.ini" --world "$work/world.ini" \
        --replay "$work/$1.txt" --dump "$work/$1-replayed.json" >"$work/out" 2>&1 || fail "replay of $1 failed"
    cmp -s "$work/$1-live.json" "$work/$1-replayed.json" ||
        fail "the replay of $1 ends elsewhere: $(diff "$work/$1-live.json" "$work/$1-replayed.json" | head -20)"
}

# A 50 by 50 box floating at (-100, 0).
cat >"$work/world.ini" <<'EOF'
W {
  l input
  M {
    l box
    x= -100 0
    P {
      l box
      ! NOGRAVITY
      g { x= 0 0 }
      p { v -25 -25  v 25 -25  v 25 25  v -25 25  c 0 255 0 }
    }
  }
}
EOF

start() {  # session name
    # Under AddressSanitizer the window system's libraries (D-Bus,
    # fontconfig) keep memory to the end; the leak check stays on for the
    # replays, which run the same program code without them.
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$vantor" --settings "$data/gui/engine.ini" --world "$work/world.ini" \
        --record "$work/$1.txt" --dump "$work/$1-live.json" >"$work/out" 2>&1 &
    pid=$!
    wait_for_window
    sleep 0.3
}

echo "a left press on the box and a drag pull it towards the cursor"
start drag
pointer_to -100 0
xdotool mousedown 1
sleep 0.2
pointer_to 100 50
sleep 1.5
xdotool mouseup 1
sleep 0.3
"$close_window" Vantor || fail "close_window found no window"
expect_exit_zero
box_x=$(dump_value "$work/drag-live.json" 'd["worlds"][0]["models"][0]["bodies"][0]["x"]')
python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) > -60 else 1)" "$box_x" ||
    fail "the box did not follow the drag: x = $box_x"
[ "$(dump_value "$work/drag-live.json" 'len(d["worlds"][0]["springs"])')" = 0 ] || fail "the release left a spring"
for message in WM_MOUSEMOVE WM_LBUTTONDOWN WM_LBUTTONUP WM_CLOSE WM_QUIT; do
    grep -q " $message " "$work/drag.txt" || fail "no $message in the record"
done
expect_same_replay drag

echo "a file dropped through XDND is read into the first world at the cursor"
mkdir -p "$work/dir with space"
cp "$data/drops/box.ini" "$work/dir with space/box.ini"
start drop
pointer_to 50 40
sleep 0.2
"$xdnd_drop" Vantor "$work/dir with space/box.ini" || fail "the drop did not finish"
sleep 0.3
"$close_window" Vantor
expect_exit_zero
[ "$(dump_value "$work/drop-live.json" 'len(d["worlds"][0]["models"])')" = 2 ] || fail "no model was dropped"
[ "$(dump_value "$work/drop-live.json" 'd["worlds"][0]["models"][1]["label"]')" = dropped ] ||
    fail "the dropped model is not the file's"
drop_x=$(dump_value "$work/drop-live.json" 'd["worlds"][0]["models"][1]["bodies"][0]["x"]')
python3 -c "import sys; sys.exit(0 if abs(float(sys.argv[1]) - 50) < 1 else 1)" "$drop_x" ||
    fail "the dropped box is not at the cursor: x = $drop_x"
grep -q "WM_DROPFILES \"$work/dir with space/box.ini\"" "$work/drop.txt" || fail "the drop is not in the record"
expect_same_replay drop

echo "Alt+Enter switches to full screen and back; a grab after it picks at the right spot"
start toggle
pointer_to 0 0
xdotool key alt+Return
sleep 1
read -r w h left top <<<"$(geometry_of Vantor)"
[ "$w $h $left $top" = "1280 1024 0 0" ] || fail "full-screen geometry $w $h $left $top after Alt+Enter"
# K pressed, then Alt, then K let go: the release still clears K.
xdotool keydown k keydown alt keyup k keyup alt
pointer_to 0 0
xdotool key alt+Return
sleep 1
read -r w h left top <<<"$(geometry_of Vantor)"
[ "$w $h" = "400 300" ] || fail "windowed size $w x $h after the second Alt+Enter"
pointer_to -100 0
xdotool mousedown 1
sleep 0.2
pointer_to -100 100
sleep 0.5
"$close_window" Vantor
expect_exit_zero
grep -q "view 1280 1024 fullscreen" "$work/toggle.txt" || fail "no view line for the full-screen switch"
grep -q "WM_SYSKEYUP 0x4B" "$work/toggle.txt" || fail "K was not let go under Alt"
[ "$(dump_value "$work/toggle-live.json" 'len(d["worlds"][0]["springs"])')" = 1 ] ||
    fail "the press after the switches did not grab the box: $(grep -v WM_MOUSEMOVE "$work/toggle.txt" | tail -25)"
expect_same_replay toggle

echo "all input checks passed"
