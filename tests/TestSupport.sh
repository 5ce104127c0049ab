# What the shell tests share, sourced after their arguments are read: a work folder
# removed when the test ends, and failures counted rather than ending the test.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# finish WHAT: reports the result and exits 1 when anything failed.
finish() { [ "$failures" = 0 ] && echo "$1: all passed"; exit $((failures > 0)); }
