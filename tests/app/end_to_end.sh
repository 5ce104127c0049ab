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
source "$(dirname "$0")/../../tools/x-session.sh"

missing=$(x_missing Xvfb xdotool) && skip "$missing is not installed (Debian: xvfb, xdotool)"
rm -rf "$out" && mkdir -p "$out" || fail "cannot make $out"
x_session 1024x768 || skip "Xvfb did not start: $(tail -1 "$work/xvfb.log")"
doc=$work/e2e.tvm log=$out/tavimore.log
: >"$doc"
x_editor "$tavimore" "$doc" || fail "the window did not appear"
sleep 0.5

# A loop that never pumps; Esc stops it and the report replaces the text.
xdotool type --delay 20 "L'A"; xdotool key Return
xdotool type --delay 20 "/ loop"; xdotool key Return
xdotool type --delay 20 "JMP L'A"
xdotool key F5
sleep 1
xdotool key Escape
sleep 0.5
xdotool key ctrl+s
poll grep -q 'JMP' "$doc"
head -c 22 "$doc" | cmp -s - <(printf "L'A\r\n/ loop\r\nJMP L'A\r\n") || fail "the runaway script was not stopped and saved"

# A short script, typed over the whole text, run with F5 and saved.
xdotool key ctrl+a
xdotool type --delay 20 "WAIT 5"; xdotool key Return
xdotool type --delay 20 "/ end"
xdotool key F5
sleep 0.5
xdotool key ctrl+s
printf 'WAIT 5\r\n/ end\r\n/ 実行したニーモニック数は2行です\r\n' | iconv -f UTF-8 -t CP932 >"$work/expected"
if ! poll cmp -s "$doc" "$work/expected"; then
    diff <(od -c "$work/expected") <(od -c "$doc") | head -20
    fail "the run's report was not saved"
fi

"$grab" "$out/screenshot.png" || fail "no screenshot"
echo "screenshot: $out/screenshot.png"
