#!/usr/bin/env bash
# Plays the program as a person would, without a desktop: a virtual X display (Xvfb), a
# private PulseAudio server with a null sink standing in for the sound card, xdotool typing
# 1 4 5 1, Ctrl+Up, 1 5 with real key presses and releases. Leaves a screenshot and a
# recording of the sink in the folder given (default: headless-run/).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-headless-run}")
mkdir -p "$out"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

play() {
    parecord --device="$KADENZO_TEST_SINK.monitor" --file-format=wav "$out/sink.wav" &
    recorder=$!
    sleep 0.5
    build/ui/kadenzo >"$out/kadenzo.log" 2>&1 &
    program=$!
    window=""
    for _ in $(seq 50); do
        window=$(xdotool search --onlyvisible --name "カデンツォ" 2>/dev/null | head -n 1) && [[ -n $window ]] && break
        sleep 0.1
    done
    xdotool windowfocus --sync "$window"
    sleep 0.5
    press() { xdotool keydown "$1"; sleep 0.15; xdotool keyup "$1"; sleep 0.6; }
    press 1; press 4; press 5; press 1
    xdotool keydown Control_L; press Up; xdotool keyup Control_L
    press 1; press 5
    import -window root "$out/screen.png"
    kill "$program"; wait "$program" || true
    kill -INT "$recorder"; wait "$recorder" || true
}
export -f play
export out
tests/midi/with_pulseaudio.sh bash -c play
echo "try_headless: $out/screen.png and $out/sink.wav"
