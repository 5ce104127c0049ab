#!/usr/bin/env bash
# Runs the engine fuzz target on a copy of the seed corpus, from a fixed seed, for at
# most SECONDS seconds (and RUNS inputs when given), and prints libFuzzer's figures.
# An input that fails is kept in ARTIFACTS (default: fuzz-artifacts/ beside the fuzzer)
# and ends the run with a failure.
#
#   run_fuzz.sh FUZZER SECONDS [SEED] [RUNS]
set -euo pipefail
fuzzer=$1
seconds=${2:-60}
seed=${3:-1}
runs=${4:--1}
here=$(cd "$(dirname "$0")" && pwd)
artifacts=${ARTIFACTS:-$(dirname "$fuzzer")/fuzz-artifacts}
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$here/corpus/." "$work/"
# max_len bounds the mutated input; the target itself makes lines of 1 MiB from short
# inputs. A slow input (such as a line split in quadratic time) counts as a failure.
status=0
"$fuzzer" -seed="$seed" -runs="$runs" -max_total_time="$seconds" -max_len=8192 -timeout=60 \
    -rss_limit_mb=2048 -print_final_stats=1 -dict="$here/tavimore.dict" \
    -artifact_prefix="$artifacts/" "$work" >"$work.log" 2>&1 || status=$?
grep -E '^(#[0-9]+[[:space:]]+(INITED|DONE)|stat::|==[0-9]+==|SUMMARY|.*runtime error|artifact_prefix|Test unit written)' \
    "$work.log" | grep -v 'artifact_prefix' | tail -n 20
if [ "$status" -ne 0 ]; then
    echo "== the fuzzer failed (exit $status); its last lines:"
    tail -n 60 "$work.log"
fi
rm -f "$work.log"
exit "$status"
