#!/usr/bin/env bash
# Takes the screenshots of docs/editor.md: each one starts the editor under Xvfb on a
# script, drives it with xdotool as a user would, and saves the screen.
#
#   tools/editor-screenshots.sh BUILD-DIR [OUTPUT-DIR]     (default: docs/)
#
# Needs Xvfb, openbox and xdotool (Debian: xvfb openbox xdotool).
set -uo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${2:-$root/docs}" && cd "${2:-$root/docs}" && pwd)
source "$root/tools/x-session.sh"
missing=$(x_missing Xvfb openbox xdotool) && { echo "$missing is not installed"; exit 1; }
x_session 1100x800 || { echo "Xvfb did not start"; exit 1; }

# A script written as UTF-8 here, saved as the editor's cp932 with CR LF.
script() {
    printf '%s\r\n' "${@:2}" | iconv -f utf-8 -t cp932 >"$work/$1"
}

# shot IMAGE SCRIPT [XDOTOOL-COMMAND...]: opens SCRIPT (a file in the work folder or
# a path from the source tree), runs each xdotool command with a pause after it, and
# saves the screen as IMAGE in the output folder.
shot() {
    local image=$1 file=$2
    shift 2
    [ -f "$work/$file" ] || cp "$root/$file" "$work/"
    if ! x_editor "$build/app/tavimore" "$work/$(basename "$file")"; then
        echo "the window did not appear"
        cat "$log"
        kill "$editor"
        return 1
    fi
    xdotool windowmove "$window" 0 0 windowsize "$window" 1100 780
    sleep 0.8
    for command in "$@"; do
        # shellcheck disable=SC2086  # a command is xdotool's words
        xdotool $command
        sleep 0.7
    done
    sleep 0.5
    "$build/tests/app/tavimore-xtool" grab "$out/$image" && echo "$out/$image"
    kill "$editor"
    wait "$editor" 2>/dev/null || true # it ends by the kill above
}

script diagnostics.tvm \
    "/ 診断の例: 実行する前に見つかる問題 (faults seen before a run)" \
    "MOV REG1 10" \
    "MOVE REG2 0" \
    "L'LOOP" \
    "INC REG2" \
    "IFJ REG2 < REG1 L'LOP" \
    "MOV REG10000 REG2" \
    "L'LOOP" \
    "GETBIT H'379 8" \
    "MOV REG3"
script watch.tvm \
    "/ ウォッチの例: REG1 と REG2 を見ながら止める (watching REG1 and REG2)" \
    "MOV REG1 D'0" \
    "MOV REG2 D'0" \
    "L'LOOP" \
    "INC REG1" \
    "INC REG2" \
    "INC REG2" \
    "IFJ REG1 < D'8 L'LOOP" \
    "DISPD REG2"
script report.tvm \
    "/ レポートの例: どの文が何を出したか (which statement said what)" \
    "MOV REG1 D'41" \
    "INC REG1" \
    "DISPD REG1" \
    "MOV REG10000 REG1" \
    "DISPH REG1"

# The editor with a coloured script and line numbers (the caret on line 7).
shot editor.png examples/calc.tvm "key ctrl+Home" "key Down Down Down Down Down Down Down"
# The diagnostics: underlines, gutter marks, the 診断 panel, a tool tip.
shot editor-diagnostics.png diagnostics.tvm "mousemove 120 150" "mousemove 122 151" "sleep 1"
# The report panel after a run that showed a message box (answered with Return).
shot editor-report.png report.tvm "key F5" "key Return"
# A debug run paused at a breakpoint in the loop with REG1 and REG2 watched, after
# two passes (their changes highlighted).
shot editor-watch.png watch.tvm "key ctrl+Home" "key Down Down Down Down Down" "key F9" \
    "key shift+F9" "type REG1" "key Return" "key shift+F9" "type REG2" "key Return" \
    "key ctrl+Home" "key ctrl+F5" "key ctrl+F5" "key ctrl+F5"
