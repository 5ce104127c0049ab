#!/usr/bin/env bash
# Prints every benchmark figure, as ratios measured in the same run.
#   run_bench.sh BUILD-DIR
set -euo pipefail
build=${1:-build}
echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores"
echo
"$build/bench/tavimore-bench-engine"
"$build/bench/tavimore-bench-ports"
echo
python3 "$(dirname "$0")/run_figures.py" "$build"
