#!/usr/bin/env bash
# The servers a desktop test starts (Xvfb, openbox, the windows of its clients) end
# with the test process, also when it is killed outright as a test runner does on a
# time-out.
#
#   servers_end_test.sh DESKTOP-TESTS
set -u
tests=$1
command -v Xvfb >/dev/null && command -v openbox >/dev/null || { echo "no Xvfb or openbox"; exit 77; }

# The children of process $1, from /proc (a process name may hold anything but ends at
# the last ")"; the parent is the second field after it).
children() { cat /proc/[0-9]*/stat 2>/dev/null | awk -v p="$1" '{ pid = $1; sub(/.*\) /, ""); if ($2 == p) print pid }'; }

alive() { [ -e "/proc/$1" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$1/status" 2>/dev/null; }

# Every test of the suite in one process, so that its servers live long enough to be seen.
"$tests" --gtest_filter='Desktop.*' >/dev/null 2>&1 &
pid=$!
started=()
for _ in $(seq 1 300); do
    started=($(children "$pid"))
    [ ${#started[@]} -ge 2 ] && break
    sleep 0.05
done
if [ ${#started[@]} -lt 2 ]; then
    kill -9 "$pid" 2>/dev/null
    echo "the desktop tests started no servers within 15 s"
    exit 1
fi
names=()
for child in "${started[@]}"; do names+=("$child:$(cat "/proc/$child/comm" 2>/dev/null)"); done
kill -9 "$pid"
wait "$pid" 2>/dev/null

left=()
for _ in $(seq 1 100); do
    left=()
    for child in "${started[@]}"; do alive "$child" && left+=("$child"); done
    [ ${#left[@]} -eq 0 ] && break
    sleep 0.05
done
if [ ${#left[@]} -ne 0 ]; then
    echo "still running 5 s after the test process was killed: ${left[*]} (of ${names[*]})"
    kill -9 "${left[@]}" 2>/dev/null
    exit 1
fi
echo "ended with the killed test: ${names[*]}"
