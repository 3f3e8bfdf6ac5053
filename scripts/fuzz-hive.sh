#!/usr/bin/env bash
# Fuzzes the hive reader (open + validate + walk + log replay) with libFuzzer,
# or, with TARGET "compact", the writer: whatever reads without errors must
# write as a hive that reads without errors and holds the same content.
#   scripts/fuzz-hive.sh [SECONDS] [WORK_FOLDER] [reader|compact]
# Seeds: every file of shared/hives, unpacked into WORK_FOLDER/seeds.
# Prints the executions and exits non-zero when the fuzzer found a crash
# (the crashing input is left in WORK_FOLDER).
set -euo pipefail

seconds=${1:-120}
work=${2:-/tmp/kelvaro-hive-fuzz}
root=$(cd "$(dirname "$0")/.." && pwd)
shared="$root/../shared/hives"
clangxx=${CLANGXX:-clang++}
target=${3:-reader}
case "$target" in
  reader) source_file="$root/fuzz/HiveFuzzTarget.cpp" ;;
  compact) source_file="$root/fuzz/HiveCompactFuzzTarget.cpp" ;;
  *) echo "fuzz-hive: unknown target $target (reader or compact)" >&2; exit 2 ;;
esac

if ! command -v "$clangxx" >/dev/null; then
  echo "fuzz-hive: $clangxx not found" >&2
  exit 1
fi
mkdir -p "$work/corpus" "$work/seeds"

# Rebuilt only when a source is newer than the fuzzer.
fuzzer="$work/hive-$target-fuzzer"
if [ ! -x "$fuzzer" ] || [ -n "$(find "$root/hive" "$root/fuzz" -newer "$fuzzer" -name '*.[ch]*')" ]; then
  "$clangxx" -std=c++20 -O2 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$root" "$root"/hive/*.cpp "$source_file" -o "$fuzzer"
fi

if [ -d "$shared" ]; then
  while IFS= read -r packed; do
    name=$(echo "${packed#"$shared"/}" | tr '/' '_')
    [ -f "$work/seeds/${name%.xz}" ] || xz -dc "$packed" > "$work/seeds/${name%.xz}"
  done < <(find "$shared" -name '*.xz')
fi

cd "$work"
# Inputs up to 64 KiB reach every record kind and keep executions fast.
set +e
"$fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=25 -rss_limit_mb=4096 \
  -print_final_stats=1 corpus seeds 2>&1 | tee fuzz.log | grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY)"
status=${PIPESTATUS[0]}
set -e
executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' fuzz.log | grep -o '[0-9]*$' || echo 0)
echo "fuzz-hive ($target): $executions executions in ${seconds}s, exit status $status"
exit "$status"
