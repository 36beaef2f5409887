#!/usr/bin/env bash
# Runs a command beside a JACK server on the dummy back end (no sound card needed). The
# server is stopped by its PID afterwards, and waited for, whatever the command did.
set -euo pipefail

export JACK_NO_START_SERVER=1
log=$(mktemp)
jackd --no-realtime -d dummy -r 48000 -p 256 >"$log" 2>&1 &
server=$!
stop() {
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    rm -f "$log"
}
trap stop EXIT

if ! jack_wait --wait --timeout 10 >/dev/null 2>&1; then
    echo "with_jackd: the JACK server did not start:" >&2
    cat "$log" >&2
    exit 1
fi

"$@"
