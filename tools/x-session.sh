# Sourced by the scripts that drive the editor in a real X session (the end-to-end
# tests and the screenshot tools). Gives them a work folder and a list of started
# processes, both cleaned up on exit (the processes ended last-started first), and
#   x_session WIDTHxHEIGHT
# which starts Xvfb on a display of its own, with openbox when it is installed, and
# points DISPLAY, HOME, the configuration and runtime folders and Qt at it. It
# returns 1 when Xvfb does not start ($work/xvfb.log says why); the caller decides
# whether that skips or fails. Also x_missing, x_editor and poll below.
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

# x_missing TOOL...: prints the first tool named that is not installed and succeeds, or
# fails when all are there.
x_missing() {
    local tool
    for tool; do command -v "$tool" >/dev/null || { echo "$tool"; return 0; }; done
    return 1
}

# x_editor PROGRAM FILE [OPTION...]: starts the editor on FILE (with no ports and no
# FTDI unless options are given), its output in $log (default $work/editor.log); waits
# for its window and activates it. Leaves the window in $window and the process in
# $editor; returns 1 when no window appears.
x_editor() {
    local program=$1 file=$2 name
    shift 2
    [ $# -gt 0 ] || set -- --ports none --ftdi none
    "$program" "$@" "$file" >"${log:=$work/editor.log}" 2>&1 &
    editor=$!
    pids+=("$editor")
    name=$(basename "$file")
    window=$(timeout 20 xdotool search --sync --name "^${name//./\\.} - Tavimore\$" | head -1)
    [ -n "$window" ] || return 1
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
}

# poll COMMAND...: runs the command every 0.1 s until it succeeds, for at most 5 s.
poll() {
    for _ in $(seq 50); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
