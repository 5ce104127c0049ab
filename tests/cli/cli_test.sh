#!/usr/bin/env bash
# tavimore-run's command line: usage errors and unreadable files (Ctrl+C: limits_test.sh).
#   cli_test.sh TAVIMORE-RUN
set -u
runner=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
expect_status() {
    local want=$1
    shift
    "$@" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" != "$want" ]; then
        echo "FAIL: '$*' exited $got, expected $want"; cat "$work/err"; failures=$((failures + 1))
    elif [ "$want" = 2 ] && [ "$(wc -l <"$work/err")" -lt 1 ]; then
        echo "FAIL: '$*' gave no error line"; failures=$((failures + 1))
    fi
}
printf 'XYZ\r\n' >"$work/doc.tvm"
expect_status 0 "$runner" "$work/doc.tvm"
expect_status 2 "$runner"
expect_status 2 "$runner" "$work/missing.tvm"
expect_status 2 "$runner" --bogus "$work/doc.tvm"
expect_status 2 "$runner" --step 5 "$work/doc.tvm"
expect_status 2 "$runner" --step -1 "$work/doc.tvm"
expect_status 2 "$runner" --debug-level x "$work/doc.tvm"
expect_status 2 "$runner" --answer maybe "$work/doc.tvm"
expect_status 2 "$runner" --encoding latin1 "$work/doc.tvm"
expect_status 2 "$runner" --sim-config "$work/missing.ini" "$work/doc.tvm"
expect_status 2 "$runner" "$work/doc.tvm" "$work/doc.tvm"
expect_status 0 "$runner" --help
grep -q -- '--step LINE' "$work/out" || { echo "FAIL: --help lists no options"; failures=$((failures + 1)); }

[ "$failures" = 0 ] && echo "all command-line checks passed"
exit $((failures > 0))
