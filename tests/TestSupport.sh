# What the shell tests share, sourced after their arguments are read: a work folder
# removed when the test ends, and failures counted rather than ending the test.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# finish WHAT: reports the result and exits 1 when anything failed.
finish() { [ "$failures" = 0 ] && echo "$1: all passed"; exit $((failures > 0)); }
# golden EXPECTED ACTUAL: compares ACTUAL with the expected file and shows how they
# differ; with TAVIMORE_UPDATE_GOLDEN=1 writes the expected file instead.
golden() {
    if [ "${TAVIMORE_UPDATE_GOLDEN:-}" = 1 ]; then
        cp "$2" "$1"
    elif ! cmp -s "$1" "$2"; then
        fail "$2 differs from $1:"
        diff -u "$1" "$2" | head -n 60
    fi
}
