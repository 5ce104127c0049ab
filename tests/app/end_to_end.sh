#!/usr/bin/env bash
# The editor in a real X session (Xvfb with openbox), driven by keys: debugging
# examples/calc.tvm, then running, stopping and saving a typed script; a screenshot.
#
#   end_to_end.sh TAVIMORE TAVIMORE-RUN XTOOL EXAMPLE OUTDIR
# Exit 77 (skipped) when no X server can be started here.
set -uo pipefail
tavimore=$1 runner=$2 xtool=$3 example=$4 out=$5
skip() { echo "SKIPPED: $*" >&2; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
source "$(dirname "$0")/../../tools/x-session.sh"

missing=$(x_missing Xvfb xdotool iconv) && skip "$missing is not installed (Debian: xvfb, xdotool)"
rm -rf "$out" && mkdir -p "$out" || fail "cannot make $out"
x_session 1280x800 || skip "Xvfb did not start: $(tail -1 "$work/xvfb.log")"
doc=$work/calc.tvm log=$out/tavimore.log
cp "$example" "$doc" || fail "cannot copy $example"
# What F5 gives, from the runner that shares the engine.
"$runner" --ports none --ftdi none "$doc" 2>/dev/null >"$work/plain" ||
    fail "tavimore-run could not run $example"
x_editor "$tavimore" "$doc" || fail "the window did not appear"
sleep 0.5

# Whether the watch panel, copied with Ctrl+A Ctrl+C while it has the keyboard, shows
# each "NAME HEX DECIMAL" row given.
rows_shown() {
    local row name hex decimal
    xdotool key ctrl+a ctrl+c
    sleep 0.1
    rows=$("$xtool" clipboard)
    for row in "$@"; do
        read -r name hex decimal <<<"$row"
        grep -qP "^$name\t$hex\t$decimal\t" <<<"$rows" || return 1
    done
}
# Waits until it does. Ctrl+Alt+W (デバッグ → ウォッチ) shows the panel and gives it the
# keyboard; pressed again there, it hides it and gives the keyboard back to the text.
expect_rows() {
    local rows="" shown=0
    xdotool key ctrl+alt+w
    sleep 0.2
    poll rows_shown "$@" && shown=1
    printf '%s\n----\n' "$rows" >>"$out/watch.txt"
    [ $shown = 1 ] || { echo "$rows" >&2; fail "the watch panel does not show $*"; }
    xdotool key ctrl+alt+w
    sleep 0.3
}

# Waits until the document file holds the bytes of $work/expected, or fails saying $1.
expect_saved() {
    poll cmp -s "$doc" "$work/expected" && return
    diff <(iconv -f CP932 -t UTF-8 "$work/expected" | od -c) <(iconv -f CP932 -t UTF-8 "$doc" | od -c) | head -20
    fail "$1"
}

# Line 6, CALC REG1 + REG2, is inside the loop: a breakpoint there.
xdotool key ctrl+Home
for _ in 1 2 3 4 5 6; do xdotool key Down; done
xdotool key F9
# Two watches through デバッグ → ウォッチの追加 (Shift+F9).
closed() { ! xdotool search --onlyvisible --name '^ウォッチの追加$' >/dev/null; }
for reg in REG1 REG2; do
    xdotool key shift+F9
    dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^ウォッチの追加$' | head -1)
    [ -n "$dialog" ] || fail "the new-watch dialog did not appear"
    xdotool type --delay 20 "$reg"; xdotool key Return
    poll closed
done

# The debug run stops before the breakpoint's first run: REG2 is 1, REG1 still 0.
xdotool key ctrl+F5
expect_rows "REG1 00000000 0" "REG2 00000001 1"

# Two steps: CALC adds REG2 to REG1, IFJ jumps back to INC on line 5.
xdotool key F7; sleep 0.3
xdotool key F7; sleep 0.3
expect_rows "REG1 00000001 1" "REG2 00000001 1"

# Off with the breakpoint (line 6), back to the paused line 5, and on to the end.
xdotool key Down F9 Up
xdotool key ctrl+F5
sleep 0.5
xdotool key ctrl+s
# The report is F5's, but for the two statements the steps ran outside the debug run.
count=$(grep -oP '実行したニーモニック数は\K[0-9]+' <(iconv -f CP932 -t UTF-8 "$work/plain"))
[ -n "$count" ] || fail "no report line in tavimore-run's output"
iconv -f CP932 -t UTF-8 "$work/plain" |
    sed "s/実行したニーモニック数は$count行/実行したニーモニック数は$((count - 2))行/" |
    iconv -f UTF-8 -t CP932 >"$work/expected"
expect_saved "the debug run's report is not F5's"

# Typed over the whole text: a loop that never pumps, stopped with Esc, its report
# replacing the text.
xdotool key ctrl+a
xdotool type --delay 20 "L'A"; xdotool key Return
xdotool type --delay 20 "/ loop"; xdotool key Return
xdotool type --delay 20 "JMP L'A"
xdotool key F5
sleep 1
xdotool key Escape
sleep 0.5
xdotool key ctrl+s
printf "L'A\r\n/ loop\r\nJMP L'A\r\n/ 実行したニーモニック数は" | iconv -f UTF-8 -t CP932 >"$work/expected"
runaway() { cmp -s -n "$(stat -c %s "$work/expected")" "$doc" "$work/expected"; }
poll runaway || fail "the runaway script was not run, stopped and saved with its report"

"$xtool" grab "$out/screenshot.png" || fail "no screenshot"
echo "screenshot: $out/screenshot.png, watch panel rows: $out/watch.txt"
