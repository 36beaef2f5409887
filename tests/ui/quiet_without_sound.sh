#!/usr/bin/env bash
# The program started where no sound server and no sound card answer: it says why in its own
# box, and the audio libraries print nothing of their attempts on the terminal.
# Usage: quiet_without_sound.sh KADENZO
set -uo pipefail
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime HOME=$runtime QT_QPA_PLATFORM=offscreen JACK_NO_START_SERVER=1
unset PULSE_SERVER DISPLAY WAYLAND_DISPLAY
"$1" >"$runtime/out" 2>"$runtime/err" &
program=$!
sleep 5
kill "$program" 2>/dev/null
wait "$program" 2>/dev/null
if grep -i -E "alsa|jack|fluidsynth|pulse" "$runtime/out" "$runtime/err"; then
    echo "quiet_without_sound: the audio libraries reached the terminal" >&2
    exit 1
fi
echo "quiet_without_sound: nothing of the audio libraries on the terminal"
