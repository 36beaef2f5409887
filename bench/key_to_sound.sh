#!/usr/bin/env bash
# Key → first sound, end to end, for Kadenzo and for the fluidsynth command line as the peer,
# all on one JACK clock: a dummy JACK server (48 kHz, 128 frames), a private PulseAudio server
# whose sink is a JACK client, and Xvfb. Each program plays through PulseAudio, then on JACK.
# Through PulseAudio, first what each program spends left alone (after a chord and 10 s of
# silence, over 10 s) beside an empty Qt window of the same build, and Kadenzo's first key
# after 15 s of silence beside its keys while its output is awake.
# Usage: bench/key_to_sound.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime PULSE_RUNTIME_PATH=$runtime/pulse PULSE_STATE_PATH=$runtime/state
export HOME=$runtime JACK_NO_START_SERVER=1
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$runtime"
}
trap cleanup EXIT

jackd --no-realtime -d dummy -r 48000 -p 128 >"$runtime/jackd.log" 2>&1 &
pids+=($!)
jack_wait --wait --timeout 10 >/dev/null

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

soundfont=$(ls /usr/share/sounds/sf2/default-GM.sf2 /usr/share/sounds/sf2/FluidR3_GM.sf2 2>/dev/null | head -n 1)

start_pulse() {
    pulseaudio --daemonize=no -n --exit-idle-time=-1 --disallow-exit \
        --load=module-native-protocol-unix \
        --load="module-jack-sink sink_name=jack_out client_name=pulse_jack connect=0" \
        >"$runtime/pulse.log" 2>&1 &
    pulse=$!
    for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
}
stop_pulse() { kill "$pulse"; wait "$pulse" 2>/dev/null || true; }

# The processor time all the threads of a process have had so far, in ms.
cpu_ms() {
    local total=0 ns _
    for stat in /proc/"$1"/task/*/schedstat; do
        read -r ns _ <"$stat" && total=$((total + ns))
    done
    echo $((total / 1000000))
}

idle_share() { # LABEL PID: the share of a core over 10 s, after 10 s left alone
    sleep 10
    local before
    before=$(cpu_ms "$2")
    sleep 10
    awk -v label="$1" -v ms=$(($(cpu_ms "$2") - before)) 'BEGIN {
        printf "%s: %.2f %% of a core (%d ms in 10 s) after 10 s of silence\n", label, ms / 100, ms }'
}

idle_peers() {
    "$build/bench/empty_window" >/dev/null 2>&1 &
    local window=$!
    idle_share "empty Qt window, same build" "$window"
    kill "$window"; wait "$window" 2>/dev/null || true
    { sleep 25; echo quit; } | fluidsynth -a pulseaudio -q "$soundfont" >/dev/null 2>&1 &
    local synth=$!
    idle_share "fluidsynth -a pulseaudio" "$synth"
    wait "$synth" 2>/dev/null || true
}

kadenzo() { # PORT LABEL [idle]
    "$build/ui/kadenzo" >"$runtime/kadenzo.log" 2>&1 &
    local program=$!
    local window=""
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name "カデンツォ" 2>/dev/null | head -n 1) || true
        [[ -n $window ]] && break
        sleep 0.1
    done
    sleep 2 # the synth is ready well within this
    xdotool windowfocus --sync "$window"
    if [[ ${3:-} == idle ]]; then
        xdotool key 1 && sleep 1 && xdotool mousemove 667 232 click 1 # a chord, then 発音停止
        idle_share "$2" "$program"
        "$build/bench/key_to_sound" kadenzo "$1" "$2, first key after 15 s of silence" 15000 10 ||
            true
    fi
    "$build/bench/key_to_sound" kadenzo "$1" "$2" || true
    kill "$program"; wait "$program" 2>/dev/null || true
}

peer() { # DRIVER PORT LABEL
    "$build/bench/key_to_sound" stdin "$2" "$3" | fluidsynth -a "$1" -j -q "$soundfont" \
        >/dev/null 2>&1 || true
}

start_pulse
idle_peers
kadenzo 'pulse_jack:front-left' 'Kadenzo through PulseAudio' idle
peer pulseaudio 'pulse_jack:front-left' 'fluidsynth -a pulseaudio (its defaults)'
stop_pulse
kadenzo 'Kadenzo:left' 'Kadenzo on JACK'
peer jack 'fluidsynth:left' 'fluidsynth -a jack'
echo "JACK server period: 128 frames at 48 kHz (2.7 ms)"
