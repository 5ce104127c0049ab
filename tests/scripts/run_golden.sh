#!/usr/bin/env bash
# Runs one script test through tavimore-run and compares what it printed with the
# expected files beside the script.
#
#   run_golden.sh [--raw] [--expected BASE] TAVIMORE-RUN SCRIPT.tvm
#
# SCRIPT.tvm is UTF-8 and is run with --encoding utf8; a script named *.sjis.tvm, or
# any script with --raw (the examples), holds raw cp932 bytes and is run as it stands.
# The expected files are BASE.out (standard output) and BASE.err (standard error), by
# default beside the script. Leading comment lines may say how to run it:
#   / run: --debug-level 100 --answer cancel     options for tavimore-run
#   / exit: 3                                   the expected exit status (default 0)
#   / stdin: FILE                               run with "-" and FILE (beside the
#                                               script) on standard input
# With TAVIMORE_UPDATE_GOLDEN=1 the expected files are written instead of compared.
set -u
. "$(dirname "$0")/../TestSupport.sh"
raw=0
expected=
while [ $# -gt 2 ]; do
    case "$1" in
    --raw) raw=1; shift ;;
    --expected) expected=$2; shift 2 ;;
    *) break ;;
    esac
done
runner=$1
script=$2
dir=$(dirname "$script")
[ -n "$expected" ] || expected=${script%.tvm}

encoding=(--encoding utf8)
case "$script" in *.sjis.tvm) raw=1 ;; esac
[ "$raw" = 1 ] && encoding=()

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
expected=$(cd "$(dirname "$expected")" && pwd)/$(basename "$expected")
cd "$dir" || exit 1
name=$(basename "$script")
target=$name
[ "$input" != "$script" ] && target=-
# Standard input is the document only when it is read from there ("-").
"$runner" "${encoding[@]}" "${options[@]}" "$target" <"$(basename "$input")" >"$work/out" 2>"$work/err"
status=$?
[ "$status" = "$expected_status" ] || fail "exit status $status, expected $expected_status"
for stream in out err; do
    golden "$expected.$stream" "$work/$stream"
done
finish "$name"
