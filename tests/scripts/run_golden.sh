#!/usr/bin/env bash
# Runs one script test through tavimore-run and compares what it printed with the
# expected files beside the script.
#
#   run_golden.sh TAVIMORE-RUN SCRIPT.tvm
#
# SCRIPT.tvm is UTF-8 and is run with --encoding utf8; a script named *.sjis.tvm holds
# raw cp932 bytes and is run as it stands. Leading comment lines may say how to run it:
#   / run: --debug-level 100 --answer cancel     options for tavimore-run
#   / exit: 3                                   the expected exit status (default 0)
#   / stdin: FILE                               run with "-" and FILE (beside the
#                                               script) on standard input
# Expected standard output is in SCRIPT.out, expected standard error in SCRIPT.err.
# With TAVIMORE_UPDATE_GOLDEN=1 the expected files are written instead of compared.
set -u
runner=$1
script=$2
base=${script%.tvm}
dir=$(dirname "$script")

encoding=(--encoding utf8)
case "$script" in *.sjis.tvm) encoding=() ;; esac

options=()
expected_status=0
input=$script
while IFS= read -r line; do
    line=${line%$'\r'}
    case "$line" in
    "/ run: "*) read -r -a more <<<"${line#/ run: }"; options+=("${more[@]}") ;;
    "/ exit: "*) expected_status=${line#/ exit: } ;;
    "/ stdin: "*) input=$dir/${line#/ stdin: } ;;
    "/"*) ;;
    *) break ;;
    esac
done <"$script"

# Paths in options are relative to the script's folder.
cd "$dir" || exit 1
name=$(basename "$script")
target=$name
[ "$input" != "$script" ] && target=-
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
if [ "$target" = - ]; then
    "$runner" "${encoding[@]}" "${options[@]}" - <"$(basename "$input")" >"$out" 2>"$err"
else
    "$runner" "${encoding[@]}" "${options[@]}" "$target" >"$out" 2>"$err"
fi
status=$?

if [ "${TAVIMORE_UPDATE_GOLDEN:-0}" = 1 ]; then
    cp "$out" "$(basename "$base").out"
    cp "$err" "$(basename "$base").err"
    echo "updated $(basename "$base").out and .err (exit $status)"
    exit 0
fi

failed=0
if [ "$status" != "$expected_status" ]; then
    echo "exit status $status, expected $expected_status"
    failed=1
fi
if ! cmp -s "$out" "$(basename "$base").out"; then
    echo "standard output differs from $(basename "$base").out:"
    diff -u "$(basename "$base").out" "$out" | head -n 60
    failed=1
fi
if ! cmp -s "$err" "$(basename "$base").err"; then
    echo "standard error differs from $(basename "$base").err:"
    diff -u "$(basename "$base").err" "$err" | head -n 60
    failed=1
fi
exit $failed
