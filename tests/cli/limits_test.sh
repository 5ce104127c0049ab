#!/usr/bin/env bash
# tavimore-run at its limits: a long wait, a long line, a large document, a runaway
# loop at debug level 100, Ctrl+C during each, and documents that cannot be read. The
# bounds are lowered through the environment where that keeps a case small; every run
# has a hard time-out, so a hang fails instead of blocking the suite.
#   limits_test.sh TAVIMORE-RUN
set -u
export LC_ALL=C
runner=$1
. "$(dirname "$0")/../TestSupport.sh"
running=
trap '[ -n "$running" ] && kill -9 "$running" 2>/dev/null; rm -rf "$work"' EXIT
report=$'\x8e\xc0\x8d\x73'         # "実行" in cp932: the report line was printed
omitted=$'\x8f\xc8\x97\xaa'         # "省略": the line that counts what the log left out

# run_bounded SECONDS EXPECTED-STATUS NAME COMMAND...: runs with a time-out.
run_bounded() {
    local seconds=$1 want=$2 name=$3
    shift 3
    timeout -s KILL "$seconds" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    [ "$got" = "$want" ] || { fail "$name exited $got, expected $want"; head -c 600 "$work/err"; }
}

# interrupt_after SECONDS NAME COMMAND...: starts the run, sends Ctrl+C after SECONDS,
# and expects a stopped run (status 3, report printed) that ends promptly.
interrupt_after() {
    local delay=$1 name=$2
    shift 2
    "$@" >"$work/out" 2>"$work/err" &
    running=$!
    sleep "$delay"
    local sent
    sent=$(date +%s%N)
    kill -INT "$running"
    timeout 10 tail --pid="$running" -s 0.05 -f /dev/null ||
        { fail "$name did not stop within 10 s of Ctrl+C"; kill -9 "$running"; }
    wait "$running"
    local status=$?
    running=
    local elapsed=$((($(date +%s%N) - sent) / 1000000))
    [ "$status" = 3 ] || fail "$name: interrupted run exited $status, expected 3"
    grep -q "$report" "$work/out" || fail "$name: interrupted run printed no report"
    echo "$name: stopped ${elapsed} ms after Ctrl+C"
}

# ---- Ctrl+C cuts a long wait short; REGL still holds the time the wait asked for.
printf 'WAIT D\x27600000\r\nXYZ\r\n' >"$work/wait.tvm"
interrupt_after 0.5 "long wait" "$runner" "$work/wait.tvm"
grep -q 'REGL 0000927C0@h' "$work/err" || fail "long wait: REGL is not the requested time"

# ---- A long line: 4 million tokens in 8 MB, split in one pass.
{ printf 'XYZ '; yes a | head -n 4000000 | tr '\n' ' '; printf '\r\nMOV REG1 D\x2742\r\nMOV REGL REG1\r\n'; } >"$work/long.tvm"
run_bounded 60 0 "long line" "$runner" "$work/long.tvm"
grep -q 'REGL 00000002A@h' "$work/err" || fail "long line: the lines after it did not run"

# Ctrl+C while 16 long lines (1 MB each) are split and run over and over.
{
    printf "L'A\r\n"
    for _ in $(seq 16); do printf 'XYZ '; yes a | head -n 500000 | tr '\n' ' '; printf '\r\n'; done
    printf "JMP L'A\r\n"
} >"$work/long-loop.tvm"
TAVIMORE_LOG_LIMIT=1048576 interrupt_after 1 "long lines" "$runner" "$work/long-loop.tvm"

# ---- A large document: 2 million statements in 20 MB, in a small multiple of its size.
{ yes 'INC REG1' | head -n 2000000 | sed 's/$/\r/'; printf 'MOV REGL REG1\r\n'; } >"$work/large.tvm"
size_kb=$(($(stat -c %s "$work/large.tvm") / 1024))
if [ -x /usr/bin/time ]; then
    run_bounded 120 0 "large document" /usr/bin/time -f 'peak %M' "$runner" "$work/large.tvm"
    peak_kb=$(sed -n 's/^peak //p' "$work/err")
    echo "large document: ${size_kb} KiB, peak resident ${peak_kb} KiB"
    [ -n "$peak_kb" ] && [ "$peak_kb" -le $((size_kb * 8)) ] ||
        fail "large document: peak ${peak_kb} KiB is more than 8 times its ${size_kb} KiB"
else
    run_bounded 120 0 "large document" "$runner" "$work/large.tvm"
fi
grep -q 'REGL 0001E8480@h' "$work/err" || fail "large document: not every statement ran"
grep -aq "${report}.*2000001" "$work/out" || fail "large document: wrong statement count"

# Ctrl+C during a loop over the large document.
{ printf "L'A\r\n"; cat "$work/large.tvm"; printf "JMP L'A\r\n"; } >"$work/large-loop.tvm"
TAVIMORE_LOG_LIMIT=1048576 interrupt_after 1 "large document" "$runner" "$work/large-loop.tvm"

# ---- A runaway loop at debug level 100: the statement guard ends it, the log stops at
# its bound and the report says how many status lines were left out.
printf "L'A\r\nINC REG1\r\nJMP L'A\r\n" >"$work/runaway.tvm"
TAVIMORE_LOG_LIMIT=65536 TAVIMORE_STATEMENT_LIMIT=2000000 \
    run_bounded 60 3 "runaway loop" "$runner" --debug-level 100 "$work/runaway.tvm"
[ "$(stat -c %s "$work/out")" -lt 66000 ] || fail "runaway loop: the log passed its bound"
tail -n 1 "$work/out" | grep -q "$omitted" || fail "runaway loop: no line counts the omitted status lines"
grep -q 'MessageBox ".*" "無限ループと判定しました"' "$work/err" || fail "runaway loop: the guard did not end it"

# Ctrl+C during a runaway loop that logs every statement (no statement bound).
TAVIMORE_LOG_LIMIT=1048576 interrupt_after 1 "runaway loop" "$runner" --debug-level 100 "$work/runaway.tvm"
tail -n 1 "$work/out" | grep -q "$omitted" || fail "interrupted runaway loop: no omitted-lines line"

# ---- Documents that cannot be read: a clear message and status 2.
unreadable() {
    local name=$1
    shift
    run_bounded 20 2 "$name" "$@"
    grep -q "^tavimore-run: cannot read" "$work/err" || { fail "$name: no message"; cat "$work/err"; }
}
unreadable "a directory" "$runner" "$work"
TAVIMORE_DOCUMENT_LIMIT=1048576 unreadable "/dev/zero" "$runner" /dev/zero
TAVIMORE_DOCUMENT_LIMIT=1048576 unreadable "endless standard input" "$runner" - </dev/zero
TAVIMORE_DOCUMENT_LIMIT=1048576 unreadable "a document over the size limit" "$runner" "$work/large.tvm"
grep -q 'larger than the limit' "$work/err" || fail "over the size limit: the message does not say why"
TAVIMORE_LOG_LIMIT=lots run_bounded 20 2 "a bad limit" "$runner" "$work/wait.tvm"

finish limits
