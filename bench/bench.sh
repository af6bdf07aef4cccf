#!/usr/bin/env bash
# Benchmark of the stream copy: our library against `cat` of the same bytes (the floor) and ffmpeg's
# stream-copy merge, with peak memory, scaling over three input sizes and a 4 GiB output.
#   bench/bench.sh            (from the repository; RUNS=5, SKIP_4G=1 to leave out the 4 GiB run)
# Inputs go to build/bench-data, the program is built in build/bench-native.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
data=${BENCH_DATA:-$root/build/bench-data}
build=${BENCH_BUILD:-$root/build/bench-native}
runs=${RUNS:-5}
mkdir -p "$data"

echo "== building kavrin-bench-copy in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAVRIN_TESTS=OFF >/dev/null
ninja -C "$build" -j2 kavrin-bench-copy >/dev/null
copy=$build/bench/kavrin-bench-copy

# ---- inputs: MJPEG AVI of 25, 100 and 400 MB (the larger ones by stream copy), a 12 MB PCM WAVE
mb() { echo $(( $(stat -c %s "$1") / 1000000 )); }
v100=$data/video-100.avi v25=$data/video-25.avi v400=$data/video-400.avi wave=$data/audio-12.wav
if [ ! -s "$v100" ]; then
  echo "== generating $v100 (MJPEG 1280x720)"
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1280x720:rate=25 -t 600 -c:v mjpeg -q:v 2 \
    -fs 100000000 "$v100"
fi
[ -s "$v25" ] || ffmpeg -nostdin -v error -y -i "$v100" -c copy -fs 25000000 "$v25"
if [ ! -s "$v400" ]; then
  printf "file '%s'\n" "$v100" "$v100" "$v100" "$v100" > "$data/concat.txt"
  ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$data/concat.txt" -c copy "$v400"
fi
[ -s "$wave" ] || ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:sample_rate=48000 -t 62.5 -ac 2 \
  -c:a pcm_s16le "$wave"
out=$data/out.avi

# run_once NAME STDOUT COMMAND...: one timed run; wall time (us) added to times[NAME], peak RSS (KiB)
# kept in rss[NAME]. The output is removed before the run. The tools are run in turns, round after
# round, so that all meet the same load of this shared machine; the first round warms the cache and
# is not counted.
declare -A times cpu rss secs
run_once() {
  local name=$1 stdout=$2; shift 2
  local t0 t1 m
  rm -f "$out"
  t0=$(date +%s%N)
  /usr/bin/time -f '%M %U %S' -o "$data/rss" "$@" >"$stdout"
  t1=$(date +%s%N)
  read -r m user sys < <(tail -1 "$data/rss")
  ((m > ${rss[$name]:-0})) && rss[$name]=$m
  ((round > 0)) && times[$name]+="$(( (t1 - t0) / 1000 )) " &&
    cpu[$name]+="$(awk -v u="$user" -v s="$sys" 'BEGIN {printf "%d", (u + s) * 1e6}') "
  return 0
}
median() { tr ' ' '\n' <<<"$1" | grep . | sort -n | awk '{a[NR]=$1} END {printf "%.4f", a[int((NR+1)/2)]/1e6}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

echo "== inputs: $(mb "$v100") MB MJPEG AVI + $(mb "$wave") MB PCM WAVE; median of $runs runs, cache warm"
times=() cpu=() rss=()
for ((round = 0; round <= runs; round++)); do
  run_once cat "$out" cat "$v100" "$wave"
  run_once copy /dev/null "$copy" "$v100" "$wave" "$out"
  run_once ffmpeg /dev/null ffmpeg -nostdin -v error -y -i "$v100" -i "$wave" -map 0:v -map 1:a -c copy "$out"
  # The whole merge job (kavrin-merge) is measured by bench/bench-merge.sh.
done
for name in cat copy ffmpeg; do secs[$name]=$(median "${times[$name]}"); done
chunks=$("$copy" "$v100" "$wave" "$out")
# CPU time (user + system, 10 ms resolution) is shown beside wall time: it is less disturbed by the
# other work of a shared machine.
printf '%-10s %10s %8s %10s %12s\n' tool "wall s" "x cat" "cpu s" "peak MiB"
for name in cat copy ffmpeg; do
  printf '%-10s %10s %8s %10s %12s\n' "$name" "${secs[$name]}" "$(ratio "${secs[$name]}" "${secs[cat]}")" \
    "$(median "${cpu[$name]}")" "$(awk -v k="${rss[$name]}" 'BEGIN {printf "%.1f", k / 1024}')"
done
copy_vs_cat=$(ratio "${secs[copy]}" "${secs[cat]}")
copy_vs_ffmpeg=$(ratio "${secs[copy]}" "${secs[ffmpeg]}")
verdict() { awk -v r="$1" -v lim="$2" 'BEGIN {print (r <= lim) ? "met" : "NOT MET"}'; }
echo "copy / cat    = $copy_vs_cat  (target <= 1.5: $(verdict "$copy_vs_cat" 1.5))"
echo "copy / ffmpeg = $copy_vs_ffmpeg  (target < 0.5: $(verdict "$copy_vs_ffmpeg" 0.4999))"
echo "chunks copied = $chunks, $(awk -v s="${secs[copy]}" -v n="$chunks" 'BEGIN {printf "%.1f", s / n * 1e6}') us per chunk" \
  "($(awk -v s="${secs[copy]}" -v c="${secs[cat]}" -v n="$chunks" 'BEGIN {printf "%.1f", (s - c) / n * 1e6}') us over cat)"

echo "== scaling (same WAVE)"
printf '%-10s %8s %10s %10s %8s %12s %10s\n' video chunks "cat s" "copy s" "x cat" "us/chunk" "peak MiB"
for v in "$v25" "$v100" "$v400"; do
  times=() cpu=() rss=()
  for ((round = 0; round <= runs; round++)); do
    run_once cat "$out" cat "$v" "$wave"
    run_once copy /dev/null "$copy" "$v" "$wave" "$out"
  done
  for name in cat copy; do secs[$name]=$(median "${times[$name]}"); done
  n=$("$copy" "$v" "$wave" "$out")
  printf '%-10s %8s %10s %10s %8s %12s %10s\n' "$(mb "$v") MB" "$n" "${secs[cat]}" "${secs[copy]}" \
    "$(ratio "${secs[copy]}" "${secs[cat]}")" "$(awk -v s="${secs[copy]}" -v n="$n" 'BEGIN {printf "%.1f", s / n * 1e6}')" \
    "$(awk -v k="${rss[copy]}" 'BEGIN {printf "%.1f", k / 1024}')"
done
rm -f "$out"

if [ "${SKIP_4G:-0}" != 1 ]; then
  echo "== 4 GiB output (synthetic rawvideo source written by the library, then copied through it)"
  big=$data/big-source.avi bigout=$data/big-out.avi
  trap 'rm -f "$big" "$bigout"' EXIT
  /usr/bin/time -f '%e s, peak %M KiB' -o "$data/rss" "$copy" --synthetic 4.05 "$big" >/dev/null
  echo "write 4 GiB from memory:  $(cat "$data/rss"), $(( $(stat -c %s "$big") >> 20 )) MiB"
  /usr/bin/time -f '%e s, peak %M KiB' -o "$data/rss" "$copy" "$big" "$wave" "$bigout" >/dev/null
  echo "copy 4 GiB + WAVE:        $(cat "$data/rss"), $(( $(stat -c %s "$bigout") >> 20 )) MiB"
  frames=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$bigout")
  echo "ffprobe reads $frames video packets of the 4 GiB output"
fi
