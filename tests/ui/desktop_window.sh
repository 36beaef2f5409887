#!/usr/bin/env bash
# The main window as a window manager (openbox) sees it: a normal window, transient for
# nothing, listed among the clients the taskbar shows, with the program's icon, and neither
# resizable nor maximisable.
# Usage: desktop_window.sh KADENZO
set -euo pipefail
program=$1
log=$(mktemp -d)
exec {ready}<> <(:)
Xvfb -displayfd "$ready" -screen 0 1024x768x24 -nolisten tcp >"$log/xvfb.log" 2>&1 &
xvfb=$!
manager=""
trap 'kill $manager $xvfb 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$log"' EXIT
read -r -t 20 number <&"$ready"
exec {ready}<&-
export DISPLAY=:$number
openbox >"$log/openbox.log" 2>&1 &
manager=$!
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.1
done

check() {
    set -euo pipefail
    "$program" >"$log/kadenzo.log" 2>&1 &
    local running=$!
    local window=""
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name "カデンツォ" 2>/dev/null | head -n 1 || true)
        [[ -n $window ]] && break
        sleep 0.1
    done
    # The window manager lists the window and Qt sets its icon shortly after it shows.
    for _ in $(seq 100); do
        xprop -id "$window" _NET_WM_ICON 2>/dev/null | grep -q "Icon (64 x 64)" &&
            xprop -root _NET_CLIENT_LIST | grep -q "$(printf '0x%x' "$window")" && break
        sleep 0.1
    done
    local status=0
    fail() { echo "desktop_window: $*" >&2; status=1; }
    [[ -n $window ]] || { echo "desktop_window: no window" >&2; kill "$running"; return 1; }
    xprop -id "$window" _NET_WM_WINDOW_TYPE | grep -q "= _NET_WM_WINDOW_TYPE_NORMAL$" ||
        fail "not a normal window: $(xprop -id "$window" _NET_WM_WINDOW_TYPE)"
    xprop -id "$window" WM_TRANSIENT_FOR | grep -q "not found" ||
        fail "transient: $(xprop -id "$window" WM_TRANSIENT_FOR)"
    xprop -id "$window" _NET_WM_ICON | grep -q "Icon (64 x 64)" ||
        fail "no icon drawn from kadenzo.svg: $(xprop -id "$window" _NET_WM_ICON | grep "Icon (")"
    xprop -root _NET_CLIENT_LIST | grep -q "$(printf '0x%x' "$window")" ||
        fail "not among the window manager's clients"
    xprop -id "$window" WM_CLASS | grep -q '"kadenzo"' ||
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
export -f check
export program log
"$(dirname "$0")/../midi/with_pulseaudio.sh" bash -c check
