#!/usr/bin/env bash
# Captures a shipped frame through the simulated parallel port and compares what
# tavimore-run decodes and exports with the expected files.
#
#   export_golden.sh TAVIMORE-RUN EXAMPLES-DIR NAME EXPECTED-DIR
#
# NAME is the example's configuration (ir-nec for examples/ir-nec.ini). The expected
# files are EXPECTED-DIR/NAME.decode (the decoded lines) and NAME.<format> for each
# export. With TAVIMORE_UPDATE_GOLDEN=1 they are written instead of compared.
set -u
runner=$1 examples=$2 name=$3 expected=$4
. "$(dirname "$0")/../TestSupport.sh"
formats="mode2 lircd pronto flipper flipper-raw csv vcd"
args=()
for f in $formats; do args+=(--ir-export "$f:$work/$name.$f"); done
"$runner" --ports sim --sim-config "$examples/$name.ini" --ir-decode "${args[@]}" \
    "$examples/ir-capture.tvm" >/dev/null 2>"$work/stderr" || { cat "$work/stderr"; exit 1; }
grep '^IR ' "$work/stderr" >"$work/$name.decode"
for f in decode $formats; do
    golden "$expected/$name.$f" "$work/$name.$f"
done
finish "$name exports"
