#!/usr/bin/env bash
# Takes the screenshot of the infrared panel in docs/: starts the editor under Xvfb
# with the simulated parallel port playing the NEC example, runs the capture example
# with F5 and saves the screen.
#
#   tools/ir-panel-screenshot.sh BUILD-DIR OUTPUT.png
set -uo pipefail
build=$1 out=$2
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1100x860x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -1 "$work/display")"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_CONFIG_HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
cp "$root/examples/ir-capture.tvm" "$root/examples/ir-nec.ini" "$root/examples/ir-nec.mode2" "$work/"
"$build/app/tavimore" --ports sim --sim-config "$work/ir-nec.ini" "$work/ir-capture.tvm" >"$work/log" 2>&1 &
pids+=($!)
window=$(timeout 20 xdotool search --sync --name '^ir-capture\.tvm - Tavimore$' | head -1)
[ -n "$window" ] || { echo "the window did not appear"; cat "$work/log"; exit 1; }
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool windowsize "$window" 1080 840
sleep 0.5
xdotool key F5
sleep 3
"$build/tests/app/tavimore-screengrab" "$out"
