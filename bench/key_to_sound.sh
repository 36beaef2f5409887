#!/usr/bin/env bash
# Key → first sound, end to end, for Kadenzo and for the fluidsynth command line as the peer,
# all on one JACK clock: a dummy JACK server (48 kHz, 128 frames), a private PulseAudio server
# whose sink is a JACK client, and Xvfb. Each program plays through PulseAudio, then on JACK.
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

kadenzo() { # PORT LABEL
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
    "$build/bench/key_to_sound" kadenzo "$1" "$2" || true
    kill "$program"; wait "$program" 2>/dev/null || true
}

peer() { # DRIVER PORT LABEL
    "$build/bench/key_to_sound" stdin "$2" "$3" | fluidsynth -a "$1" -j -q "$soundfont" \
        >/dev/null 2>&1 || true
}

start_pulse
kadenzo 'pulse_jack:front-left' 'Kadenzo through PulseAudio'
peer pulseaudio 'pulse_jack:front-left' 'fluidsynth -a pulseaudio (its defaults)'
stop_pulse
kadenzo 'Kadenzo:left' 'Kadenzo on JACK'
peer jack 'fluidsynth:left' 'fluidsynth -a jack'
echo "JACK server period: 128 frames at 48 kHz (2.7 ms)"
