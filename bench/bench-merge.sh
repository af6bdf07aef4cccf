#!/usr/bin/env bash
# Benchmark of kavrin-merge, the whole merge job end to end, against `cat` of the same inputs into
# one file (the floor) and ffmpeg's stream-copy merge, with peak memory: on 100 MB + 12 MB and on
# 1 GiB + 200 MB.
#   bench/bench-merge.sh       (RUNS=5 rounds after one warm-up round; SKIP_BIG=1 leaves out 1 GiB)
# Inputs: BENCH_DATA (default build/bench-data, shared with bench.sh); the program is built in
# BENCH_BUILD (default build/bench-merge).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
data=${BENCH_DATA:-$root/build/bench-data}
build=${BENCH_BUILD:-$root/build/bench-merge}
runs=${RUNS:-5}
mkdir -p "$data"
data=$(cd "$data" && pwd)  # ffmpeg's concat lists resolve names from the list's own folder

echo "== building kavrin-merge in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKAVRIN_TESTS=OFF >/dev/null
ninja -C "$build" -j2 kavrin-merge >/dev/null
merge=$build/src/cli/kavrin-merge

# ---- inputs, made as bench.sh makes them: MJPEG 1280x720, PCM 48 kHz stereo
v100=$data/video-100.avi wave=$data/audio-12.wav v1g=$data/video-1g.avi wave200=$data/audio-200.wav
if [ ! -s "$v100" ]; then
  echo "== generating $v100"
  ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=1280x720:rate=25 -t 600 -c:v mjpeg -q:v 2 \
    -fs 100000000 "$v100"
fi
[ -s "$wave" ] || ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:sample_rate=48000 -t 62.5 -ac 2 \
  -c:a pcm_s16le "$wave"
if [ "${SKIP_BIG:-0}" != 1 ]; then
  if [ ! -s "$v1g" ]; then
    echo "== generating $v1g (11 x the 100 MB video)"
    for i in $(seq 11); do printf "file '%s'\n" "$v100"; done > "$data/concat-1g.txt"
    ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$data/concat-1g.txt" -c copy "$v1g"
  fi
  [ -s "$wave200" ] || ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:sample_rate=48000 -t 1042 \
    -ac 2 -c:a pcm_s16le "$wave200"
fi
out=$data/merge-out.avi
trap 'rm -f "$out"' EXIT

# run_once NAME COMMAND...: one timed run (wall us into times[NAME], user+sys us into cpu[NAME]);
# peak RSS (KiB) kept in rss[NAME]. The tools take turns round after round so that all meet the same
# load of this shared machine; round 0 warms the page cache and is not counted.
declare -A times cpu rss
run_once() {
  local name=$1; shift
  local t0 t1 m user sys
  rm -f "$out"
  # Each run starts with no dirty pages: otherwise a run pays for the writeback of the one before.
  sync
  t0=$(date +%s%N)
  /usr/bin/time -f '%M %U %S' -o "$data/merge-rss" "$@" >/dev/null
  t1=$(date +%s%N)
  read -r m user sys < <(tail -1 "$data/merge-rss")
  ((m > ${rss[$name]:-0})) && rss[$name]=$m
  if ((round > 0)); then
    times[$name]+="$(( (t1 - t0) / 1000 )) "
    cpu[$name]+="$(awk -v u="$user" -v s="$sys" 'BEGIN {printf "%d", (u + s) * 1e6}') "
  fi
  return 0
}
median() { tr ' ' '\n' <<<"$1" | grep . | sort -n | awk '{a[NR]=$1} END {printf "%.3f", a[int((NR+1)/2)]/1e6}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
verdict() { awk -v r="$1" -v lim="$2" 'BEGIN {print (r <= lim) ? "met" : "NOT MET"}'; }

bench_case() {
  local video=$1 audio=$2
  times=() cpu=() rss=()
  echo "== $(( $(stat -c %s "$video") / 1000000 )) MB MJPEG AVI + $(( $(stat -c %s "$audio") / 1000000 )) MB PCM WAVE;" \
    "median of $runs runs, cache warm"
  for ((round = 0; round <= runs; round++)); do
    run_once cat sh -c 'cat "$1" "$2" > "$3"' cat "$video" "$audio" "$out"
    # cat copies inside the kernel (copy_file_range); dd is the same bytes through a user buffer,
    # the floor for any copy that reads chunks into memory and writes them out, as the merge must.
    run_once dd sh -c '{ dd if="$1" bs=128K status=none; dd if="$2" bs=128K status=none; } > "$3"' dd \
      "$video" "$audio" "$out"
    run_once merge "$merge" "$video" "$audio" "$out"
    run_once ffmpeg ffmpeg -nostdin -v error -y -i "$video" -i "$audio" -map 0:v -map 1:a -c copy "$out"
  done
  # The last output is ffmpeg's: check ours once more against the source, packet for packet.
  "$merge" "$video" "$audio" "$out" >/dev/null
  local same=no
  cmp -s <(ffmpeg -nostdin -v error -i "$video" -map 0:v:0 -c copy -f framemd5 - | grep -v '^#') \
         <(ffmpeg -nostdin -v error -i "$out" -map 0:v:0 -c copy -f framemd5 - | grep -v '^#') &&
    cmp -s <(ffmpeg -nostdin -v error -i "$audio" -map 0:a:0 -c copy -f data -) \
           <(ffmpeg -nostdin -v error -i "$out" -map 0:a:0 -c copy -f data -) && same=yes
  printf '%-8s %9s %7s %9s %10s\n' tool "wall s" "x cat" "cpu s" "peak MiB"
  local name
  for name in cat dd merge ffmpeg; do
    printf '%-8s %9s %7s %9s %10s\n' "$name" "$(median "${times[$name]}")" \
      "$(ratio "$(median "${times[$name]}")" "$(median "${times[cat]}")")" "$(median "${cpu[$name]}")" \
      "$(awk -v k="${rss[$name]}" 'BEGIN {printf "%.1f", k / 1024}')"
  done
  local vs_cat vs_ffmpeg
  vs_cat=$(ratio "$(median "${times[merge]}")" "$(median "${times[cat]}")")
  vs_ffmpeg=$(ratio "$(median "${times[merge]}")" "$(median "${times[ffmpeg]}")")
  echo "merge / cat    = $vs_cat  (target <= 1.5: $(verdict "$vs_cat" 1.5))"
  echo "merge / dd     = $(ratio "$(median "${times[merge]}")" "$(median "${times[dd]}")")"
  echo "merge / ffmpeg = $vs_ffmpeg  (target < 0.5: $(verdict "$vs_ffmpeg" 0.4999))"
  echo "packets identical to the sources: $same; merge peak memory $(awk -v k="${rss[merge]}" 'BEGIN {printf "%.1f", k / 1024}') MiB"
}

bench_case "$v100" "$wave"
[ "${SKIP_BIG:-0}" = 1 ] || bench_case "$v1g" "$wave200"
