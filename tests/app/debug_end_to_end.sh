#!/usr/bin/env bash
# The debugger in a real X session: opens examples/calc.tvm in tavimore under Xvfb
# (with openbox), sets a breakpoint inside its loop with F9, watches REG1 and REG2,
# debug-runs to the breakpoint, steps twice with F7, reads the watch panel through
# the clipboard, removes the breakpoint, continues to the end and checks the report.
#
#   debug_end_to_end.sh TAVIMORE TAVIMORE-RUN CLIPBOARD EXAMPLE OUTDIR
# Exit 77 (skipped) when no X server can be started here.
set -uo pipefail
tavimore=$1 runner=$2 clipboard=$3 example=$4 out=$5
skip() { echo "SKIPPED: $*" >&2; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }

for tool in Xvfb xdotool iconv; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (Debian: xvfb, xdotool)"
done
rm -rf "$out" && mkdir -p "$out" || fail "cannot make $out"
work=$(mktemp -d) || fail "no temporary folder"
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || skip "Xvfb did not start: $(tail -1 "$work/xvfb.log")"
export DISPLAY=":$(head -1 "$work/display")"
if command -v openbox >/dev/null; then
    openbox --sm-disable >/dev/null 2>&1 &
    pids+=($!)
fi

export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_CONFIG_HOME" && mkdir -m 700 "$XDG_RUNTIME_DIR"
doc=$work/calc.tvm
cp "$example" "$doc" || fail "cannot copy $example"
# What F5 gives, from the runner that shares the engine.
"$runner" --ports none --ftdi none "$doc" 2>/dev/null | tr -d '\r' >"$work/plain" ||
    fail "tavimore-run could not run $example"

"$tavimore" --ports none --ftdi none "$doc" >"$out/tavimore.log" 2>&1 &
pids+=($!)
window=$(timeout 20 xdotool search --sync --name '^calc\.tvm - Tavimore$' | head -1)
[ -n "$window" ] || fail "the window did not appear"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 0.5

# The watch panel's rows, copied with Ctrl+A Ctrl+C while it has the keyboard; the
# menu command shows the panel and gives it the keyboard.
watch_rows() {
    xdotool key alt+d; sleep 0.3; xdotool key w; sleep 0.3
    xdotool key ctrl+a ctrl+c; sleep 0.3
    "$clipboard" | tee -a "$out/watch.txt"
    echo "----" >>"$out/watch.txt"
}
expect_row() { # rows name hex decimal
    grep -qP "^$2\t$3\t$4\t" <<<"$1" || { echo "$1" >&2; fail "the watch panel does not show $2 = $4"; }
}

# Line 6, CALC REG1 + REG2, is inside the loop: a breakpoint there.
xdotool key ctrl+Home
for _ in 1 2 3 4 5 6; do xdotool key Down; done
xdotool key F9
# Two watches through デバッグ → ウォッチの追加.
for reg in REG1 REG2; do
    xdotool key alt+d; sleep 0.3; xdotool key a; sleep 0.5
    xdotool type --delay 20 "$reg"; xdotool key Return; sleep 0.3
done

# The debug run stops before the breakpoint's first run: REG2 is 1, REG1 still 0.
xdotool key ctrl+F5
sleep 0.5
rows=$(watch_rows)
expect_row "$rows" REG1 00000000 0
expect_row "$rows" REG2 00000001 1

# Back in the text (the command hides the panel again), two steps: CALC adds REG2 to
# REG1, IFJ jumps back to INC on line 5.
xdotool key alt+d; sleep 0.3; xdotool key w; sleep 0.3
xdotool key F7; sleep 0.3
xdotool key F7; sleep 0.3
rows=$(watch_rows)
expect_row "$rows" REG1 00000001 1
expect_row "$rows" REG2 00000001 1

# Off with the breakpoint (line 6), back to the paused line 5, and on to the end.
xdotool key alt+d; sleep 0.3; xdotool key w; sleep 0.3
xdotool key Down F9 Up
xdotool key ctrl+F5
sleep 0.5
xdotool key ctrl+s
# The report is F5's, but for the two statements the steps ran outside the debug run.
count=$(grep -oP '実行したニーモニック数は\K[0-9]+' <(iconv -f CP932 -t UTF-8 "$work/plain"))
[ -n "$count" ] || fail "no report line in tavimore-run's output"
iconv -f CP932 -t UTF-8 "$work/plain" |
    sed "s/実行したニーモニック数は$count行/実行したニーモニック数は$((count - 2))行/" >"$work/expected"
for _ in $(seq 50); do
    iconv -f CP932 -t UTF-8 "$doc" 2>/dev/null | tr -d '\r' | cmp -s - "$work/expected" && break
    sleep 0.1
done
if ! iconv -f CP932 -t UTF-8 "$doc" | tr -d '\r' | cmp -s - "$work/expected"; then
    diff <(iconv -f CP932 -t UTF-8 "$doc" | tr -d '\r') "$work/expected" | head -20
    fail "the debug run's report is not F5's"
fi
echo "watch panel rows: $out/watch.txt"
