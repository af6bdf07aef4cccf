#!/usr/bin/env bash
# Makes the seed corpora of the reader fuzz targets with ffmpeg: OUT/avi and OUT/wave.
# Tiny files, so that mutations reach every header field quickly.
set -euo pipefail
out=${1:?usage: make_seeds.sh OUT_DIR}
mkdir -p "$out/avi" "$out/wave"
ff() { ffmpeg -nostdin -v error -y "$@"; }
video="-f lavfi -i testsrc=size=32x24:rate=10:duration=0.6"
audio="-f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.6"

ff $video $audio -c:v mjpeg -c:a pcm_s16le "$out/avi/mjpeg_pcm.avi"
ff $video -c:v mpeg4 -bf 2 -g 4 "$out/avi/mpeg4_bframes.avi"
ff $video -c:v rawvideo -pix_fmt bgr24 "$out/avi/rawvideo.avi"
ff $video $audio -c:v mpeg4 -c:a pcm_u8 -ac 2 "$out/avi/mpeg4_u8.avi"
# Dropped frames: ffmpeg writes empty chunks for the missing times.
ff $video -vf "select='not(eq(n,2)+eq(n,3))'" -fps_mode passthrough -c:v mjpeg -r 10 "$out/avi/dropped.avi"

ff $audio -c:a pcm_s16le -ac 2 "$out/wave/s16_stereo.wav"
ff $audio -c:a pcm_u8 "$out/wave/u8_mono.wav"
ff $audio -c:a pcm_s24le -ac 6 "$out/wave/s24_6ch_extensible.wav"
ff $audio -c:a pcm_f32le "$out/wave/f32.wav"
ff $audio -c:a adpcm_ms "$out/wave/adpcm_ms.wav"
ff $audio -c:a pcm_mulaw "$out/wave/mulaw.wav"
ff $audio -c:a pcm_s16le -rf64 always "$out/wave/rf64.wav"
ff $audio -c:a pcm_s16le -metadata title=seed -write_bext 1 "$out/wave/list_bext.wav"
