#!/usr/bin/env bash
# A chord held for a minute through a private PulseAudio server while the last core is kept
# busy: the silences that reach the sink, for Kadenzo with its buffer starting at the sizes
# given (frames; the program's own setting without any) and for the fluidsynth command line
# with its defaults as the peer, with the time the hypervisor took from this machine's
# processors meanwhile (steal), which no program inside it can make up.
# Usage: bench/held_chord.sh [BUILD_DIR] [SECONDS] [FRAMES...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
periods=("${@:-128}")
[ ${#periods[@]} -gt 0 ] || periods=(128)
soundfont=$(ls /usr/share/sounds/sf2/default-GM.sf2 /usr/share/sounds/sf2/FluidR3_GM.sf2 2>/dev/null | head -n 1)
notes="36 48 52 55 60 64 67 72 76 79 84"

steal() { awk '/^cpu /{print $9}' /proc/stat; }

# Records the sink while "$@" plays, a busy loop pinned to the last core; prints the count.
measure() {
    local wav busy before
    wav=$(mktemp --suffix=.wav)
    parecord --device="$KADENZO_TEST_SINK.monitor" --file-format=wav --format=s16le \
        --rate=44100 --channels=2 "$wav" &
    local recorder=$!
    taskset -c "$(($(nproc) - 1))" sh -c 'while :; do :; done' &
    busy=$!
    sleep 0.5
    before=$(steal)
    "$@"
    local stolen=$(( $(steal) - before ))
    kill "$busy"
    sleep 0.3
    kill -INT "$recorder"
    wait "$recorder" || true
    echo "  $("$build/bench/held_chord" count "$wav"); steal $((stolen * 10)) ms"
    rm -f "$wav"
}

fluidsynth_cli() {
    {
        sleep 1
        echo "prog 0 48"
        for n in $notes; do echo "noteon 0 $n 64"; done
        sleep "$seconds"
        for n in $notes; do echo "noteoff 0 $n"; done
        sleep 0.3
        echo quit
    } | fluidsynth -a pulseaudio -q -n "$soundfont" >/dev/null 2>&1
}

run() {
    for period in "${periods[@]}"; do
        echo "Kadenzo, PulseAudio buffer from $period frames:"
        measure "$build/bench/held_chord" play "$seconds" "$period"
    done
    echo "fluidsynth -a pulseaudio, its defaults:"
    measure fluidsynth_cli
}

export -f measure fluidsynth_cli run steal
export build seconds soundfont notes
export periods_list="${periods[*]}"
tests/midi/with_pulseaudio.sh bash -c 'periods=($periods_list); run'
