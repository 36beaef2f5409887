#!/usr/bin/env bash
# Runs a command on a virtual X display (Xvfb) with a window manager (openbox), as on a
# desktop: there the manager, not the program, decides where a window goes and which window
# has the keyboard.
# Usage: under_openbox.sh COMMAND [ARGUMENT...]
set -euo pipefail
log=$(mktemp -d)
source "$(dirname "$0")/../../scripts/x_display.sh"
xvfb_pid=""
manager=""
trap 'kill $manager $xvfb_pid 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$log"' EXIT
start_xvfb "$log/xvfb.log" || { echo "under_openbox: Xvfb did not start" >&2; exit 1; }
openbox >"$log/openbox.log" 2>&1 &
manager=$!
for _ in $(seq 200); do
    # Read whole: grep -q on the pipe would cut xprop short.
    check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null || true)
    [[ $check == *"window id"* ]] && break
    sleep 0.1
done
if [[ $check != *"window id"* ]]; then
    echo "under_openbox: openbox did not start:" >&2
    cat "$log/openbox.log" >&2
    exit 1
fi
"$@"
