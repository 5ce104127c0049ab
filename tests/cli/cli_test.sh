#!/usr/bin/env bash
# tavimore-run's command line: usage errors, unreadable files, libraries an elevated run
# refuses, infrared options, the environment check (Ctrl+C: limits_test.sh).
#   cli_test.sh TAVIMORE-RUN
set -u
runner=$1
. "$(dirname "$0")/../TestSupport.sh"
expect_status() {
    local want=$1
    shift
    "$@" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" != "$want" ]; then
        fail "'$*' exited $got, expected $want"; cat "$work/err"
    elif [ "$want" = 2 ] && [ "$(wc -l <"$work/err")" -lt 1 ]; then
        fail "'$*' gave no error line"
    fi
}
printf 'XYZ\r\n' >"$work/doc.tvm"
# Usage errors, one command line each, split at spaces ($work holds none).
doc=$work/doc.tvm
for line in "" "$work/missing.tvm" "--bogus $doc" "--step 5 $doc" "--step -1 $doc" "--debug-level x $doc" \
    "--answer maybe $doc" "--encoding latin1 $doc" "--sim-config $work/missing.ini $doc" "$doc $doc"; do
    expect_status 2 "$runner" $line
done
expect_status 0 "$runner" --help
grep -q -- '--step LINE' "$work/out" || fail "--help lists no options"

# An elevated run loads no library of the user's choosing, named on the command line
# or in the environment (read as the editor reads it), and says why.
refused=" is refused: this program runs with more privilege than its user"
for option in ports ftdi; do
    TAVIMORE_ASSUME_ELEVATED=1 expect_status 2 "$runner" --$option "$work/own.so" "$work/doc.tvm"
    grep -qF -- "--$option '$work/own.so'$refused" "$work/err" || fail "elevated --$option: no refusal"
done
TAVIMORE_ASSUME_ELEVATED=1 TAVIMORE_FTDI=$work/own.so expect_status 2 "$runner" "$work/doc.tvm"
grep -qF "TAVIMORE_FTDI '$work/own.so'$refused" "$work/err" || fail "elevated TAVIMORE_FTDI: no refusal"

# A capture whose timing is unknown is reported as such, not decoded at a guessed rate;
# an export that cannot be written, or of a format it does not know, fails the program.
examples=$(dirname "$0")/../../examples
expect_status 0 "$runner" --ports sim --sim-config "$examples/ir-sim.ini" --ir-decode "$examples/ir-capture.tvm"
grep -Eq '^IR a capture of [0-9]+ samples; its timing needs the sync frequency: give --ir-sync-hz$' "$work/err" ||
    fail "--ir-decode without the sync frequency does not ask for it"
expect_status 2 "$runner" --ports sim --sim-config "$examples/ir-nec.ini" --ir-export csv:/nonexistent/x.csv "$examples/ir-capture.tvm"
expect_status 2 "$runner" --ir-export "wav:$work/x.wav" "$doc"
grep -q -- "--ir-export takes FORMAT:FILE" "$work/err" || fail "--ir-export accepts an unknown format"

# --doctor: no document needed; the exit status agrees with the summary line, and the
# JSON form says the same.
"$runner" --doctor >"$work/doctor" 2>&1
status=$?
if [ "$status" = 0 ]; then want='^Everything'; else want='^Not ready: '; fi
grep -q "$want" "$work/doctor" && [ "$status" -le 1 ] ||
    { fail "--doctor exited $status with:"; cat "$work/doctor"; }
"$runner" --doctor=json >"$work/doctor.json" 2>&1
json_status=$?
if [ "$json_status" != "$status" ] || ! grep -q "\"ok\":$([ "$status" = 0 ] && echo true || echo false)}" "$work/doctor.json"; then
    fail "--doctor=json exited $json_status (text: $status)"
fi
# Where the system refuses the ports, a port instruction keeps its message and the run
# adds one line naming the cause.
if grep -q '^FAILS   ports.access' "$work/doctor"; then
    printf 'IN H\x2770\r\n' >"$work/in.tvm"
    expect_status 3 "$runner" "$work/in.tvm"
    grep -q "^tavimore-run: port access: .* 'tavimore-run --doctor' shows the fix\.$" "$work/err" ||
        { fail "no explaining line after the refused port:"; cat "$work/err"; }
    # The simulated ports are not explained: nothing of the system is at fault there.
    expect_status 0 "$runner" --ports sim "$work/in.tvm"
    ! grep -q -- '--doctor' "$work/err" || fail "explained the simulation"
fi

finish "command line"
