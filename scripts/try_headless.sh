#!/usr/bin/env bash
# Plays the program as a person would, without a desktop: a virtual X display (Xvfb), a
# private PulseAudio server with a null sink standing in for the sound card, xdotool typing
# 1 4 5 1, Ctrl+Up, 1 5 with real key presses and releases. Leaves a screenshot and a
# recording of the sink in the folder given (default: headless-run/), and fails when the
# recording is silent or the display shows no chord names.
# Usage: scripts/try_headless.sh [FOLDER]   (KADENZO names the program; default build/ui/kadenzo)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-headless-run}")
program=$(realpath "${KADENZO:-build/ui/kadenzo}")
mkdir -p "$out"
rm -f "$out/screen.png" "$out/sink.wav"

source scripts/x_display.sh
xvfb_pid=""
trap 'kill $xvfb_pid 2>/dev/null || true; wait $xvfb_pid 2>/dev/null || true' EXIT
if ! start_xvfb "$out/xvfb.log"; then
    echo "try_headless: Xvfb did not start (see $out/xvfb.log)" >&2
    exit 1
fi

play() {
    set -euo pipefail
    parecord --device="$KADENZO_TEST_SINK.monitor" --file-format=wav "$out/sink.wav" &
    local recorder=$!
    sleep 0.5
    "$program" >"$out/kadenzo.log" 2>&1 &
    local running=$!
    local window
    if ! window=$(wait_for_window); then
        echo "try_headless: the window never showed (see $out/kadenzo.log)" >&2
        kill "$running" "$recorder" 2>/dev/null || true
        return 1
    fi
    xdotool windowfocus --sync "$window"
    sleep 1 # the model opens the synth after the first paint
    press() { xdotool keydown "$1"; sleep 0.15; xdotool keyup "$1"; sleep 0.6; }
    press 1; press 4; press 5; press 1
    xdotool keydown Control_L; press Up; xdotool keyup Control_L
    press 1; press 5
    import -window "$window" "$out/screen.png"
    kill "$running"; wait "$running" || true
    kill -INT "$recorder"; wait "$recorder" || true
}
export -f play wait_for_window
export out program
tests/midi/with_pulseaudio.sh bash -c play

# The loudest sample of the recording (16-bit; the header's bytes are skipped).
peak=$(tail -c +4097 "$out/sink.wav" | od -An -v -td2 -w2 |
       awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }')
# Ink on the display's chord line (the display at 8,128 in the window; the second of its 12-pixel lines, inside the border).
ink=$(convert "$out/screen.png" -crop 489x12+10+142 +repage -colorspace Gray -threshold 50% \
      -negate -format "%[fx:mean]" info:)
echo "try_headless: $out/screen.png (chord line ink $ink) and $out/sink.wav (peak $peak)"
status=0
if ((peak < 300)); then
    echo "try_headless: the sink recording is silent" >&2
    status=1
fi
if awk -v ink="$ink" 'BEGIN { exit !(ink < 0.001) }'; then
    echo "try_headless: the screenshot shows no chord names" >&2
    status=1
fi
exit $status
