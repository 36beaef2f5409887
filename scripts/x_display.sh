# Sourced by the scripts that drive the program on a virtual X display (the headless try-out,
# the desktop test).

# Starts Xvfb on a display it picks itself (-displayfd), logging to $1, and exports DISPLAY
# once it accepts clients, with Qt's X11 platform (a QT_QPA_PLATFORM=offscreen from the
# caller's shell would keep the window off the display); the server's PID is in xvfb_pid.
# Fails when it does not start.
start_xvfb() {
    local ready number=""
    exec {ready}<> <(:)
    Xvfb -displayfd "$ready" -screen 0 1024x768x24 -nolisten tcp >"$1" 2>&1 &
    xvfb_pid=$!
    read -r -t 20 number <&"$ready" || true
    exec {ready}<&-
    [[ -n $number ]] || return 1
    export DISPLAY=:$number QT_QPA_PLATFORM=xcb
}

# Prints the id of the program's main window once X shows it (mapped and viewable): focusing
# or typing into it earlier fails. Waits up to 10 s; fails after that.
wait_for_window() {
    local window
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name "カデンツォ" 2>/dev/null | head -n 1 || true)
        if [[ -n $window ]] && [[ $(xwininfo -id "$window") == *"Map State: IsViewable"* ]]; then
            echo "$window"
            return 0
        fi
        sleep 0.1
    done
    return 1
}
