#!/usr/bin/env bash
# Fuzzes the hive engine with libFuzzer, one target per process, all at once:
#   reader   open + validate + walk any bytes, and replay them as a log
#   compact  whatever reads without errors must write as a hive that reads
#            without errors and holds the same content
#   replay   a dirty primary and up to two logs, replayed and checked
#   scripts/fuzz-hive.sh [MINUTES] [--seconds N] [--runs N] [--max-len BYTES] [--work FOLDER] [--fuzzers FOLDER] [TARGET...]
# MINUTES (default 2) is how long each target runs; --seconds overrides it;
# --runs stops each target after that many executions instead (with no
# time limit unless one is given too); --max-len (default 65536) bounds the
# inputs: a smaller bound runs many times faster on a busy machine.
# The fuzzers come from --fuzzers (the build's fuzz folder, as the tests
# pass it) or are built here with clang from fuzz/ into build/fuzz.
# Seeds: fuzz/corpus/TARGET in the repository (written by make-fuzz-seeds,
# see fuzz/corpus/README.md) and, for reader and compact, every file of shared/hives;
# what a run learns stays in WORK/TARGET/corpus for the next run.
# Prints the executions per target and exits non-zero when a fuzzer found a
# crash (the crashing input is left in WORK/TARGET).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
shared="${KELVARO_SAMPLE_HIVES:-$root/../shared/hives}"
seconds=""
runs=""
max_len=65536
work=/tmp/kelvaro-hive-fuzz
fuzzers=""
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --max-len) max_len=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --fuzzers) fuzzers=$2; shift 2 ;;
    reader | compact | replay) targets+=("$1"); shift ;;
    [0-9]*) seconds=$(($1 * 60)); shift ;;
    *) echo "fuzz-hive: unknown argument $1 (MINUTES, --seconds N, --runs N, --max-len BYTES, --work, --fuzzers, reader, compact, replay)" >&2; exit 2 ;;
  esac
done
[ ${#targets[@]} -gt 0 ] || targets=(reader compact replay)
if [ -z "$seconds" ]; then
  if [ -n "$runs" ]; then seconds=0; else seconds=120; fi
fi
limits=(-max_total_time="$seconds")
[ -z "$runs" ] || limits+=(-runs="$runs")

if [ -z "$fuzzers" ]; then
  clangxx=${CLANGXX:-$(command -v clang++ || true)}
  if [ -z "$clangxx" ]; then
    echo "fuzz-hive: clang++ not found" >&2
    exit 1
  fi
  fuzzers="$root/build/fuzz"
  cmake -S "$root/fuzz" -B "$fuzzers" -G Ninja -DCMAKE_CXX_COMPILER="$clangxx" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
  cmake --build "$fuzzers" -j "${KELVARO_JOBS:-2}" > /dev/null
fi

fuzzers=$(cd "$fuzzers" && pwd)
mkdir -p "$work"
work=$(cd "$work" && pwd)

run_target() {
  local target=$1 folder="$work/$1" start=$SECONDS
  local fuzzer="$fuzzers/hive-$target-fuzzer"
  [ -x "$fuzzer" ] || { echo "fuzz-hive: $fuzzer is not built" >&2; return 1; }
  mkdir -p "$folder/corpus" "$folder/seeds"
  # The shared hives are primaries without the replay target's framing.
  if [ -d "$shared" ] && [ "$target" != replay ]; then
    while IFS= read -r packed; do
      name=$(echo "${packed#"$shared"/}" | tr '/' '_')
      [ -f "$folder/seeds/${name%.xz}" ] || xz -dc "$packed" > "$folder/seeds/${name%.xz}"
    done < <(find "$shared" -name '*.xz')
  fi
  local seeds=("seeds")
  [ -d "$root/fuzz/corpus/$target" ] && seeds+=("$root/fuzz/corpus/$target")
  cd "$folder"
  # Inputs up to 64 KiB reach every record kind, big data included.
  set +e
  "$fuzzer" "${limits[@]}" -max_len="$max_len" -timeout=25 -rss_limit_mb=4096 \
    -print_final_stats=1 corpus "${seeds[@]}" > fuzz.log 2>&1
  local status=$?
  set -e
  grep -E "^(==[0-9]+==ERROR|SUMMARY)" fuzz.log || true
  local executions
  executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' fuzz.log | grep -o '[0-9]*$' || echo 0)
  echo "fuzz-hive ($target): $executions executions in $((SECONDS - start)) s, corpus $(find corpus -type f | wc -l) inputs, exit status $status"
  return "$status"
}

pids=()
for target in "${targets[@]}"; do
  run_target "$target" &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit "$status"
