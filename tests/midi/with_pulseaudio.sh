#!/usr/bin/env bash
# Runs a command beside a private PulseAudio server whose default sink is a null sink, as a
# desktop's sound server would stand there. The command finds the sink's name in
# KADENZO_TEST_SINK, and can stop the server and start a new one on the same socket with
# "$KADENZO_TEST_SERVER stop" and "$KADENZO_TEST_SERVER start" (a desktop's server that
# crashes and comes back). Whatever the command did, the server is stopped by its PID
# afterwards.
set -euo pipefail

start_server() {
    pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
        --load=module-native-protocol-unix \
        --load="module-null-sink sink_name=$KADENZO_TEST_SINK norewinds=1" \
        --log-target=file:"$XDG_RUNTIME_DIR/pulseaudio.log" </dev/null >/dev/null 2>&1 &
    echo $! >"$XDG_RUNTIME_DIR/server.pid"
    disown # stopped by its PID alone, whichever shell started it
    for _ in $(seq 100); do
        if pactl info >/dev/null 2>&1; then
            break
        fi
        sleep 0.1
    done
    pactl set-default-sink "$KADENZO_TEST_SINK"
}

# Killed as a crash would end it; gone when this returns.
stop_server() {
    local server
    server=$(cat "$XDG_RUNTIME_DIR/server.pid" 2>/dev/null) || return 0
    kill -KILL "$server" 2>/dev/null || true
    # Gone once nothing but its zombie is left, if even that.
    while [[ -e /proc/$server && $(awk '{print $3}' "/proc/$server/stat" 2>/dev/null) != Z ]]; do
        sleep 0.05
    done
    rm -f "$XDG_RUNTIME_DIR/server.pid"
}

case "${1:-}" in
start | stop)
    [[ -n ${KADENZO_TEST_SINK:-} ]] || { echo "with_pulseaudio.sh $1: no server of ours" >&2; exit 2; }
    "${1}_server"
    exit 0
    ;;
esac

runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime
export PULSE_RUNTIME_PATH=$runtime/pulse
export PULSE_STATE_PATH=$runtime/state
export HOME=$runtime # the cookie goes here, not into the user's home
export KADENZO_TEST_SINK=kadenzo_test
KADENZO_TEST_SERVER=$(realpath "$0")
export KADENZO_TEST_SERVER

# Pending disk writes (a build that just ended) are flushed first: writeback can stall the
# audio threads for tens of milliseconds.
sync

stop() {
    stop_server
    rm -rf "$runtime"
}
trap stop EXIT
start_server

"$@"
