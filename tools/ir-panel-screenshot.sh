#!/usr/bin/env bash
# Takes the screenshot of the infrared panel in docs/: starts the editor under Xvfb
# with the simulated parallel port playing the NEC example, runs the capture example
# with F5 and saves the screen.
#
#   tools/ir-panel-screenshot.sh BUILD-DIR OUTPUT.png
set -uo pipefail
build=$1 out=$2
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/x-session.sh"
x_session 1100x860 || { echo "Xvfb did not start"; exit 1; }
cp "$root/examples/ir-capture.tvm" "$root/examples/ir-nec.ini" "$root/examples/ir-nec.mode2" "$work/"
x_editor "$build/app/tavimore" "$work/ir-capture.tvm" --ports sim --sim-config "$work/ir-nec.ini" ||
    { echo "the window did not appear"; cat "$log"; exit 1; }
xdotool windowsize "$window" 1080 840
sleep 0.5
xdotool key F5
sleep 3
"$build/tests/app/tavimore-xtool" grab "$out"
