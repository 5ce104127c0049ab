#!/usr/bin/env bash
# Checks the exports of a captured frame against the decoders of the field's own tools:
# LIRC's irsimreceive and pronto2lirc, and sigrok-cli's ir_nec and ir_rc5 decoders.
#
#   field_tools.sh TAVIMORE-RUN EXAMPLES-DIR CHECK
#
# CHECK is lirc-nec, pronto-nec, sigrok-nec or sigrok-rc5. Each judges the decoded
# output, never an exit status alone (sigrok-cli exits 0 when it decoded nothing).
# Exit 77 (skipped) when the tool is not installed.
set -u
runner=$1 examples=$2 check=$3
. "$(dirname "$0")/../TestSupport.sh"
here=$(cd "$(dirname "$0")" && pwd)
cd "$work" || exit 1
export XDG_CACHE_HOME=$work # irsimreceive's log

need() {
    command -v "$1" >/dev/null || { echo "$1 is not installed (Debian package $2)"; exit 77; }
}

# capture NAME FORMAT...: captures examples/NAME.ini and exports each format to NAME.FORMAT.
capture() {
    local name=$1 args=()
    shift
    for f in "$@"; do args+=(--ir-export "$f:$name.$f"); done
    "$runner" --ports sim --sim-config "$examples/$name.ini" "${args[@]}" "$examples/ir-capture.tvm" \
        >/dev/null 2>capture.err || { cat capture.err; exit 1; }
}

# expect FILE PATTERN...: every pattern is a line of FILE.
expect() {
    local file=$1 status=0
    shift
    for pattern in "$@"; do
        grep -qx -- "$pattern" "$file" || { echo "missing: $pattern"; status=1; }
    done
    [ $status = 0 ] || { echo "--- what the tool printed:"; cat "$file"; exit 1; }
}

case $check in
lirc-nec)
    need irsimreceive lirc
    capture ir-nec mode2
    irsimreceive "$here/nec.lircd.conf" ir-nec.mode2 >decoded 2>&1
    expect decoded "0000000020df10ef 00 KEY_ADDR04_CMD08 nec_remote" "0000000020df10ef 01 KEY_ADDR04_CMD08 nec_remote"
    ;;
pronto-nec)
    need pronto2lirc lirc
    need irsimreceive lirc
    capture ir-nec pronto mode2
    pronto2lirc ir-nec.pronto >pronto2lirc.out 2>&1 || { cat pronto2lirc.out; exit 1; }
    # The configuration it wrote knows both codes and finds them in the capture.
    irsimreceive lircd.conf ir-nec.mode2 >decoded 2>&1
    expect decoded "0000000000000001 00 tavimore_1 ir-nec" "0000000000000002 00 tavimore_2 ir-nec"
    ;;
sigrok-nec)
    need sigrok-cli sigrok-cli
    capture ir-nec vcd
    sigrok-cli -I vcd -i ir-nec.vcd -P ir_nec -A ir_nec=fields >decoded 2>&1
    expect decoded "ir_nec-1: Address: 0x04" "ir_nec-1: Command: 0x08" "ir_nec-1: Repeat code"
    ;;
sigrok-rc5)
    need sigrok-cli sigrok-cli
    capture ir-rc5 vcd
    sigrok-cli -I vcd -i ir-rc5.vcd -P ir_rc5 -A ir_rc5=fields >decoded 2>&1
    expect decoded "ir_rc5-1: Togglebit: 0" "ir_rc5-1: Address: 5 .*" "ir_rc5-1: Command: 53 .*"
    ;;
*)
    echo "unknown check $check"
    exit 2
    ;;
esac
