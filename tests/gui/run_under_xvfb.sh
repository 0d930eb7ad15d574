#!/usr/bin/env bash
# Runs a command on a private Xvfb display (1280x1024, 24 bits) with Mesa's
# software GL, then stops the server. Usage: run_under_xvfb.sh COMMAND [ARGS...]
# The command sees DISPLAY set; its exit code is this script's.
set -euo pipefail

workdir=$(mktemp -d)
xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$workdir"
}
trap cleanup EXIT

# Xvfb picks a free display number itself and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$workdir/display" 2>"$workdir/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 100); do
    [ -s "$workdir/display" ] && break
    sleep 0.1
done
if [ ! -s "$workdir/display" ]; then
    echo "run_under_xvfb: Xvfb did not start" >&2
    cat "$workdir/xvfb.log" >&2
    exit 1
fi

export DISPLAY=":$(tr -d '[:space:]' < "$workdir/display")"
export LIBGL_ALWAYS_SOFTWARE=1
export SDL_VIDEODRIVER=x11
"$@"
