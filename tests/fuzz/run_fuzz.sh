#!/usr/bin/env bash
# Runs the engine fuzz target for a number of seconds on a copy of the seed corpus.
#   run_fuzz.sh FUZZER SECONDS
set -euo pipefail
fuzzer=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$here/corpus/." "$work/"
"$fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -dict="$here/tavimore.dict" "$work" 2>&1 | tail -n 12
