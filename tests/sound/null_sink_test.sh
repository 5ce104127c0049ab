#!/usr/bin/env bash
# Plays the fixed sound and then the example clip through tavimore-run into a
# PulseAudio null sink of its own, and checks that the sink heard the sound's 1320 Hz
# and a second or more of the clip's 660 Hz tone (the server may start the two streams
# with different delays, so their order is not checked). Skipped (exit 77) where pulseaudio, parec or python3
# is missing.
#
#   null_sink_test.sh TAVIMORE-RUN CLIP
set -u
runner=$1
clip=$2
for tool in pulseaudio parec pactl python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
server=
recorder=
cleanup() {
    [ -n "$recorder" ] && kill "$recorder" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A private sound server: its own runtime folder and home, one null sink, no other
# modules, so that it neither sees nor disturbs a desktop's own.
mkdir -p "$work/run" "$work/home"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run HOME=$work/home
unset PULSE_SERVER DBUS_SESSION_BUS_ADDRESS
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --log-target=stderr \
    --load="module-null-sink sink_name=tavimore_test" --load=module-native-protocol-unix \
    2>"$work/server.log" &
server=$!
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { echo "SKIP: the sound server did not start"; cat "$work/server.log"; exit 77; }
pactl set-default-sink tavimore_test

parec -d tavimore_test.monitor --raw --format=s16le --channels=1 --rate=22050 --latency-msec=20 \
    >"$work/heard.raw" &
recorder=$!
# Play only once the recorder listens.
for _ in $(seq 50); do
    [ -n "$(pactl list short source-outputs 2>/dev/null)" ] && break
    sleep 0.1
done
sleep 0.2
printf '♪\nWAIT D%s700\nMCI %s\n' "'" "$clip" >"$work/sound.tvm"
"$runner" --encoding utf8 "$work/sound.tvm" >"$work/out" 2>"$work/err"
status=$?
sleep 0.5
kill "$recorder"
wait "$recorder" 2>/dev/null
recorder=

if [ "$status" != 0 ]; then
    echo "FAIL: tavimore-run exited with $status"; cat "$work/err"; exit 1
fi
python3 - "$work/heard.raw" <<'PY'
import math, struct, sys
data = open(sys.argv[1], "rb").read()
samples = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])
window = 2205  # 100 ms
heard = []  # (time, tone) of each loud window, the tone from its zero crossings
for start in range(0, len(samples) - window, window):
    part = samples[start : start + window]
    rms = math.sqrt(sum(x * x for x in part) / window)
    crossings = sum(1 for a, b in zip(part, part[1:]) if (a < 0) != (b < 0))
    if rms > 1000:
        heard.append((start / 22050, crossings * 10 / 2))
ding = [t for t, f in heard if 1200 <= f <= 1450]
clip = [t for t, f in heard if 600 <= f <= 720]
if not ding:
    sys.exit("FAIL: the null sink heard no tone near 1320 Hz (the fixed sound): %s" % heard)
if len(clip) < 10:
    sys.exit("FAIL: the null sink heard less than a second of 660 Hz (the clip): %s" % heard)
print("heard the fixed sound at %.1f s and the clip's tone from %.1f s for %.1f s"
      % (min(ding), min(clip), len(clip) / 10))
PY
