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
source "$(dirname "$0")/../../tools/x-session.sh"
x_session 1024x768 || skip "Xvfb did not start: $(tail -1 "$work/xvfb.log")"
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
