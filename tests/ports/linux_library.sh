#!/usr/bin/env bash
# The Linux port-access library on this machine.
#
#   linux_library.sh TAVIMORE-RUN
#
# 1. Without the privilege (every capability dropped, no parallel port to fall back
#    on) the first port statement shows the library message and the run stops there.
# 2. As the test runs: whatever the machine grants. Where it grants port access the
#    CMOS index and data ports 0x70/0x71 are read (safe to read); where it grants none
#    the refusal must look exactly as in 1. Either way the answer is printed.
set -u
runner=$1
. "$(dirname "$0")/../TestSupport.sh"
printf 'debuglevel 100\nIN H%s70\nIN H%s71\n' "'" "'" >"$work/cmos.tvm"
message='MessageBox "Tavimore" "ライブラリは使用できません。WinIo.dllが同じフォルダに存在するのかチェックしてください" -> OK'

expect_refusal() { # label status out err
    local label=$1 status=$2 out=$3 err=$4
    [ "$status" = 3 ] || fail "$label: exit status $status, expected 3"
    grep -qF "$message" "$err" || fail "$label: no library message"
    [ "$(grep -c '^MessageBox' "$err")" = 1 ] || fail "$label: not exactly one message box"
    grep -q '^tavimore-winio: no port access: ' "$err" || fail "$label: the library did not say why"
    # debuglevel and the first IN ran; the second IN did not.
    grep -q '実行したニーモニック数は2行です' "$out" || fail "$label: the run did not stop after the first IN"
}

# 1. No privilege.
export TAVIMORE_PARPORT=/nonexistent/parport
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
    drop=(setpriv --bounding-set=-all --inh-caps=-all --)
else
    drop=() # an ordinary user holds no capabilities already
fi
"${drop[@]}" "$runner" --ports system --encoding utf8 "$work/cmos.tvm" >"$work/out1" 2>"$work/err1"
expect_refusal "without privilege" $? "$work/out1" "$work/err1"

# 2. As it stands.
unset TAVIMORE_PARPORT
"$runner" --ports system --encoding utf8 "$work/cmos.tvm" >"$work/out2" 2>"$work/err2"
status=$?
echo "== what the Linux port-access library answered here (exit $status):"
sed -n '/実行したニーモニック数/,$p' "$work/out2"
cat "$work/err2"
if [ "$status" = 0 ]; then
    grep -q '^/ IN…' "$work/out2" || fail "port access granted, but no IN status"
else
    expect_refusal "as it stands" "$status" "$work/out2" "$work/err2"
fi
finish "port-access library"
