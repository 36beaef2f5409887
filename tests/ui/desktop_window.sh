#!/usr/bin/env bash
# The main window as a window manager (openbox) sees it: a normal window, transient for
# nothing, listed among the clients the taskbar shows, with the program's icon, and neither
# resizable nor maximisable.
# Usage: desktop_window.sh KADENZO
set -euo pipefail
program=$1
log=$(mktemp -d)
source "$(dirname "$0")/../../scripts/x_display.sh"
xvfb_pid=""
manager=""
trap 'kill $manager $xvfb_pid 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$log"' EXIT
start_xvfb "$log/xvfb.log"

# Whether the output of the command after PATTERN has a line matching it. The output is read
# whole first: grep -q on a pipe would stop early and, under pipefail, fail the command.
has() {
    local text
    text=$("${@:2}" 2>/dev/null) || return 1
    grep -q -- "$1" <<<"$text"
}
openbox >"$log/openbox.log" 2>&1 &
manager=$!
for _ in $(seq 50); do
    has "window id" xprop -root _NET_SUPPORTING_WM_CHECK && break
    sleep 0.1
done

check() {
    set -euo pipefail
    "$program" >"$log/kadenzo.log" 2>&1 &
    local running=$!
    local window
    window=$(wait_for_window) || { echo "desktop_window: no window" >&2; kill "$running"; return 1; }
    # The window manager lists the window and Qt sets its icon shortly after it shows.
    for _ in $(seq 100); do
        has "Icon (64 x 64)" xprop -id "$window" _NET_WM_ICON &&
            has "$(printf '0x%x' "$window")" xprop -root _NET_CLIENT_LIST && break
        sleep 0.1
    done
    local status=0
    fail() { echo "desktop_window: $*" >&2; status=1; }
    has "= _NET_WM_WINDOW_TYPE_NORMAL$" xprop -id "$window" _NET_WM_WINDOW_TYPE ||
        fail "not a normal window: $(xprop -id "$window" _NET_WM_WINDOW_TYPE)"
    has "not found" xprop -id "$window" WM_TRANSIENT_FOR ||
        fail "transient: $(xprop -id "$window" WM_TRANSIENT_FOR)"
    has "Icon (64 x 64)" xprop -id "$window" _NET_WM_ICON ||
        fail "no icon drawn from kadenzo.svg: $(xprop -id "$window" _NET_WM_ICON | grep "Icon (")"
    has "$(printf '0x%x' "$window")" xprop -root _NET_CLIENT_LIST ||
        fail "not among the window manager's clients"
    has '"kadenzo"' xprop -id "$window" WM_CLASS ||
        fail "not matched to kadenzo.desktop: $(xprop -id "$window" WM_CLASS)"
    local actions
    actions=$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)
    grep -q "_NET_WM_ACTION_CLOSE" <<<"$actions" || fail "cannot be closed: $actions"
    if grep -q -E "_NET_WM_ACTION_(RESIZE|MAXIMIZE)" <<<"$actions"; then
        fail "resizable or maximisable: $actions"
    fi
    kill "$running"; wait "$running" || true
    [[ $status == 0 ]] && echo "desktop_window: a normal, fixed window with its icon"
    return $status
}
export -f check has wait_for_window
export program log
"$(dirname "$0")/../midi/with_pulseaudio.sh" bash -c check
