#!/usr/bin/env bash
# The real program driven as a person would: started under Wine, the paths typed into the fields with
# the keyboard, Enter pressed and the question answered, the new file checked with ffprobe.
#   person_test.sh BUILD_DIR KAVRIN_EXE
set -euo pipefail
build=$(cd "$1" && pwd)
exe=$2
here=$(cd "$(dirname "$0")" && pwd)
wine_exec="$here/../../scripts/wine-exec.sh"

work=$(mktemp -d "$build/person-XXXXXX")
shots="$build/screenshots"
mkdir -p "$shots"
app=kavrin-person
cp "$exe" "$work/$app.exe"

cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "person_test: $*" >&2; shot failure; exit 1; }
shot() { xwd -root -silent | convert xwd:- "$shots/person-$1.png" 2>/dev/null || true; }

ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=160x120:rate=25 -t 1 -c:v mjpeg "$work/video.avi"
ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:sample_rate=22050:duration=1 -c:a pcm_s16le "$work/audio.wav"

# A name of its own, so the fields start empty whatever other tests stored.
"$wine_exec" "$build" reg delete 'HKCU\Software\Brenwick!\'"$app" /f >/dev/null 2>&1 || true

"$wine_exec" "$build" "$work/$app.exe" &
pid=$!

# Everything shows inside Wine's virtual desktop: one X window that takes the keys.
desktop=""
for _ in $(seq 100); do
  desktop=$(xdotool search --name 'Wine desktop' 2>/dev/null | head -1 || true)
  [ -n "$desktop" ] && break
  sleep 0.2
done
[ -n "$desktop" ] || fail "no Wine desktop window appeared"
sleep 2
xdotool windowactivate --sync "$desktop" 2>/dev/null || xdotool windowfocus "$desktop"

winpath() { echo "Z:${1//\//\\}"; }
# The focus starts on the Exit button; Tab leads to the three path fields in turn.
xdotool key --delay 100 Tab
xdotool type --delay 30 "$(winpath "$work/video.avi")"
xdotool key --delay 100 Tab
xdotool type --delay 30 "$(winpath "$work/audio.wav")"
xdotool key --delay 100 Tab
xdotool type --delay 30 "$(winpath "$work/new.avi")"
shot typed
xdotool key Return          # the question "合成しますか？"
sleep 1
shot question
xdotool key Return          # Yes is its default button
for _ in $(seq 50); do [ -f "$work/new.avi" ] && break; sleep 0.2; done
sleep 1
shot outcome
xdotool key Return          # closes the outcome message
sleep 0.5

[ -f "$work/new.avi" ] || fail "the new AVI file was not made"
video_in=$(ffmpeg -nostdin -v error -i "$work/video.avi" -map 0:v:0 -c copy -f framemd5 - | grep -v '^#' | cut -d, -f5-)
video_out=$(ffmpeg -nostdin -v error -i "$work/new.avi" -map 0:v:0 -c copy -f framemd5 - | grep -v '^#' | cut -d, -f5-)
[ -n "$video_in" ] && [ "$video_in" = "$video_out" ] || fail "the video packets differ"
audio_in=$(ffmpeg -nostdin -v error -i "$work/audio.wav" -map 0:a:0 -c copy -f data - | md5sum)
audio_out=$(ffmpeg -nostdin -v error -i "$work/new.avi" -map 0:a:0 -c copy -f data - | md5sum)
[ "$audio_in" = "$audio_out" ] || fail "the audio payload differs"

xdotool key alt+F4          # ends the program, which stores the paths
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$pid" 2>/dev/null && fail "the program did not end on Alt+F4"
wait "$pid" || true
pid=""
stored=$("$wine_exec" "$build" reg query 'HKCU\Software\Brenwick!\'"$app"'\Settings' /v NEWAVI 2>/dev/null | tr -d '\r')
grep -q 'new.avi' <<<"$stored" || fail "the new AVI path was not stored: $stored"
echo "person_test: merged by keyboard, packets identical, settings stored"
