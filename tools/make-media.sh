#!/usr/bin/env bash
# Makes the sound and the clip we ship, with ffmpeg. Their files are kept in the
# repository; run this only to make them anew.
#
#   res/sounds/ding.wav   the fixed sound: a short bell of two partials, 0.6 s,
#                         22050 Hz mono, 16-bit PCM
#   examples/clip.ogv     the example clip: 2 s of a test picture, 160x120, 15 frames
#                         a second (Theora), with a 660 Hz tone (Vorbis, mono)
set -euo pipefail
cd "$(dirname "$0")/.."
ffmpeg -hide_banner -loglevel error -y -bitexact \
    -f lavfi -i "aevalsrc=0.5*sin(2*PI*1320*t)*exp(-9*t)+0.2*sin(2*PI*2640*t)*exp(-14*t):s=22050:d=0.6" \
    -ac 1 -c:a pcm_s16le -map_metadata -1 -fflags +bitexact res/sounds/ding.wav
ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i testsrc=size=160x120:rate=15:duration=2 \
    -f lavfi -i sine=frequency=660:sample_rate=22050:duration=2 \
    -pix_fmt yuv420p -c:v libtheora -q:v 5 -c:a libvorbis -q:a 0 -ac 1 -shortest \
    -map_metadata -1 examples/clip.ogv
