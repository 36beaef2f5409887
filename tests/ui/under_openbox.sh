#!/usr/bin/env bash
# Runs a command with a window manager (openbox) on the X display, as on a desktop: there the
# manager, not the program, decides where a window goes and which window has the keyboard.
# Usage: xvfb-run -a under_openbox.sh COMMAND [ARGUMENT...]
set -euo pipefail
status=$(mktemp)
trap 'rm -f "$status"' EXIT
# Openbox starts the command once it manages the display, and ends with it.
openbox --startup "bash -c '\"\$@\"; echo \$? >$status; openbox --exit' - $(printf '%q ' "$@")"
[[ -s $status ]] || { echo "under_openbox: openbox did not start" >&2; exit 1; }
exit "$(<"$status")"
