#!/usr/bin/env bash
# Runs each reader fuzz target for a while: scripts/fuzz.sh BUILD_DIR SECONDS [JOBS]
# BUILD_DIR is a build configured with -DKAVRIN_FUZZ=ON (clang). The seed corpora are made with
# ffmpeg into BUILD_DIR/seeds; what the fuzzers learn is kept in BUILD_DIR/corpus; crashes land in
# BUILD_DIR/crashes. Fails when a target finds a crash.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: fuzz.sh BUILD_DIR SECONDS}
seconds=${2:-30}
build=$(cd "$build" && pwd)

[ -d "$build/seeds/avi" ] && [ -d "$build/seeds/wave" ] || bash "$root/fuzz/make_seeds.sh" "$build/seeds" || exit 1
mkdir -p "$build/crashes"
status=0
for kind in avi wave; do
  target="$build/fuzz/${kind}_reader_fuzz"
  [ -x "$target" ] || { echo "fuzz: $target is not built" >&2; status=1; continue; }
  corpus="$build/corpus/$kind"
  mkdir -p "$corpus"
  echo "fuzz: $kind reader for ${seconds}s"
  log="$build/fuzz-$kind.log"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
       -artifact_prefix="$build/crashes/${kind}-" -print_final_stats=1 \
       "$corpus" "$build/seeds/$kind" >"$log" 2>&1; then
    echo "fuzz: the $kind reader failed; see $log" >&2
    grep -E 'ERROR|SUMMARY|Test unit written' "$log" >&2
    status=1
  fi
  grep -E '^stat::number_of_executed_units' "$log" | sed "s/^/fuzz: $kind /"
done
exit $status
