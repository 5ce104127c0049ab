#!/usr/bin/env bash
# tavimore-run --check: the faults of a sample script against their golden listing,
# and no fault at all in any shipped example.
#   check_test.sh TAVIMORE-RUN SOURCE-DIR
# TAVIMORE_UPDATE_GOLDEN=1 rewrites the golden listing.
set -u
runner=$1
source=$2
here=$(dirname "$0")/check
. "$(dirname "$0")/../TestSupport.sh"

cd "$here" || exit 1
"$runner" --check --encoding utf8 faults.tvm >"$work/out" 2>"$work/err"
status=$?
[ "$status" = 1 ] || { fail "--check on faults.tvm exited $status, expected 1"; cat "$work/err"; }
golden faults.out "$work/out"

# A document with CR LF line breaks in cp932 gives the same listing in cp932.
sed 's/$/\r/' faults.tvm | iconv -f UTF-8 -t CP932 >"$work/faults-cp932.tvm"
(cd "$work" && "$runner" --check faults-cp932.tvm) | iconv -f CP932 -t UTF-8 |
    sed 's/^faults-cp932/faults/' >"$work/cp932-out"
diff -u faults.out "$work/cp932-out" || fail "the cp932 document gives another listing"

# Warnings alone name legal code: they are printed, and the check still passes.
printf 'MOV REG1 10\nSETBUFFER D'"'"'9\n' >"$work/warnings.tvm"
"$runner" --check --encoding utf8 "$work/warnings.tvm" >"$work/out" 2>&1
status=$?
if [ "$status" != 0 ] || [ "$(grep -c ': warning: ' "$work/out")" != 2 ]; then
    fail "a script with warnings only exited $status"; cat "$work/out"
fi

for example in "$source"/examples/*.tvm; do
    "$runner" --check "$example" >"$work/out" 2>&1
    status=$?
    [ "$status" = 0 ] && [ ! -s "$work/out" ] || { fail "--check flags the example $example (exit $status)"; cat "$work/out"; }
done

finish check
