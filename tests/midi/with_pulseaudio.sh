#!/usr/bin/env bash
# Runs a command beside a private PulseAudio server whose default sink is a null sink, as a
# desktop's sound server would stand there. The command finds the sink's name in
# KADENZO_TEST_SINK. The server is stopped by its PID afterwards, whatever the command did.
set -euo pipefail

runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
export PULSE_RUNTIME_PATH=$runtime/pulse
export PULSE_STATE_PATH=$runtime/state
export HOME=$runtime # the cookie goes here, not into the user's home
export KADENZO_TEST_SINK=kadenzo_test

# Pending disk writes (a build that just ended) are flushed first: writeback can stall the
# audio threads for tens of milliseconds.
sync

pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
    --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=$KADENZO_TEST_SINK norewinds=1" \
    --log-target=file:"$runtime/pulseaudio.log" 2>/dev/null &
server=$!
stop() {
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    rm -rf "$runtime"
}
trap stop EXIT

for _ in $(seq 100); do
    if pactl info >/dev/null 2>&1; then
        break
    fi
    sleep 0.1
done
pactl set-default-sink "$KADENZO_TEST_SINK"

"$@"
