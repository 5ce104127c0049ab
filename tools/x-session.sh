# Sourced by the scripts that drive the editor in a real X session (the end-to-end
# tests and the screenshot tools). Gives them a work folder and a list of started
# processes, both cleaned up on exit (the processes ended last-started first), and
#   x_session WIDTHxHEIGHT
# which starts Xvfb on a display of its own, with openbox when it is installed, and
# points DISPLAY, HOME, the configuration and runtime folders and Qt at it. It
# returns 1 when Xvfb does not start ($work/xvfb.log says why); the caller decides
# whether that skips or fails.
work=$(mktemp -d) || exit 1
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

x_session() {
    # The server writes its display number once it is ready.
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || return 1
    export DISPLAY=":$(head -1 "$work/display")"
    if command -v openbox >/dev/null; then
        openbox --sm-disable >/dev/null 2>&1 &
        pids+=($!)
    fi
    export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
    export QT_QPA_PLATFORM=xcb
    mkdir -p "$XDG_CONFIG_HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
}
