#!/usr/bin/env bash
# The editor in a real X session: starts tavimore under Xvfb (with openbox), types a
# runaway script, runs it and stops it with Esc, then types and runs a short script,
# saves, checks the file, and saves a screenshot.
#
#   end_to_end.sh TAVIMORE SCREENGRAB OUTDIR
# Exit 77 (skipped) when no X server can be started here.
set -uo pipefail
tavimore=$1 grab=$2 out=$3
skip() { echo "SKIPPED: $*" >&2; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }

for tool in Xvfb xdotool; do
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

# A display of our own: the server writes its number once it is ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
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
doc=$work/e2e.tvm
: >"$doc"
"$tavimore" --ports none --ftdi none "$doc" >"$out/tavimore.log" 2>&1 &
pids+=($!)
window=$(timeout 20 xdotool search --sync --name '^e2e\.tvm - Tavimore$' | head -1)
[ -n "$window" ] || fail "the window did not appear"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
sleep 0.5

# Waits until the document file holds the expected bytes.
expect_file() {
    local expected=$1 what=$2
    for _ in $(seq 50); do
        cmp -s "$doc" "$expected" && return 0
        sleep 0.1
    done
    echo "--- expected"; od -c "$expected" | head -20
    echo "--- got"; od -c "$doc" | head -20
    fail "$what"
}

# A loop that never pumps; Esc stops it and the report replaces the text.
xdotool type --delay 20 "L'A"; xdotool key Return
xdotool type --delay 20 "/ loop"; xdotool key Return
xdotool type --delay 20 "JMP L'A"
xdotool key F5
sleep 1
xdotool key Escape
sleep 0.5
xdotool key ctrl+s
for _ in $(seq 50); do grep -q 'JMP' "$doc" && break; sleep 0.1; done
head -c 22 "$doc" | cmp -s - <(printf "L'A\r\n/ loop\r\nJMP L'A\r\n") || fail "the runaway script was not stopped and saved"

# A short script, typed over the whole text, run with F5 and saved.
xdotool key ctrl+a
xdotool type --delay 20 "WAIT 5"; xdotool key Return
xdotool type --delay 20 "/ end"
xdotool key F5
sleep 0.5
xdotool key ctrl+s
printf 'WAIT 5\r\n/ end\r\n/ 実行したニーモニック数は2行です\r\n' | iconv -f UTF-8 -t CP932 >"$work/expected"
expect_file "$work/expected" "the run's report was not saved"

"$grab" "$out/screenshot.png" || fail "no screenshot"
echo "screenshot: $out/screenshot.png"
