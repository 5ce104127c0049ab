#!/usr/bin/env bash
# Prints the benchmark figures of a build tree.
#
#   run_bench.sh [BUILD-DIR]      (default: build)
set -euo pipefail
build=${1:-build}

"$build/bench/tavimore-bench-ports"
