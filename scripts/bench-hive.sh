#!/usr/bin/env bash
# Benchmark of `kelvaro-hive check` against two independent readers walking
# the same file (hivexml from hivex, regfexport from libregf) and against
# reading the file (cat), on the largest hive of shared/hives and on a
# generated 100 MB hive. Prints times, ratios and our peak memory as a
# multiple of the file size, with `kelvaro-hive usage --svg` beside them.
# Then `kelvaro-hive compact` beside hivexml's walk of the same file, with
# sizes before and after and compact's peak memory, on the largest shared
# hive that compacts (a dirty one with its logs) and on the generated hive.
# Not a test: figures only.
#   scripts/bench-hive.sh [WORK_FOLDER] [MEGABYTES]
set -euo pipefail

work=${1:-/tmp/kelvaro-hive-bench}
megabytes=${2:-100}
root=$(cd "$(dirname "$0")/.." && pwd)
shared="${KELVARO_SAMPLE_HIVES:-$root/../shared/hives}"
mkdir -p "$work"

# The release preset: optimised, no sanitizers (the test build has them on).
(cd "$root" && cmake --preset release > /dev/null &&
  cmake --build --preset release -j "${KELVARO_JOBS:-2}" --target kelvaro-hive make-big-hive > /dev/null)
cp "$root/build/release/cli/kelvaro-hive" "$root/build/release/tests/hive/make-big-hive" "$work/"

largest=$(find "$shared" -name '*.xz' ! -iname '*.log*' -printf '%s %p\n' | sort -n | tail -1 | cut -d' ' -f2)
real="$work/$(basename "${largest%.xz}")"
[ -f "$real" ] || xz -dc "$largest" > "$real"
big="$work/generated-${megabytes}MB.hiv"
[ -f "$big" ] || "$work/make-big-hive" "$big" "$megabytes"

# Best of RUNS (default three): wall seconds and peak resident kilobytes.
measure() {
  local best_time="" best_rss="" runs=${RUNS:-3}
  for _ in $(seq "$runs"); do
    /usr/bin/time -v -o "$work/time.txt" "$@" > /dev/null 2>&1 || true
    local t rss
    t=$(awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,p,":"); s=0; for(i=1;i<=n;i++) s=s*60+p[i]; print s}' "$work/time.txt")
    rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
    if [ -z "$best_time" ] || awk "BEGIN{exit !($t < $best_time)}"; then best_time=$t; best_rss=$rss; fi
  done
  echo "$best_time $best_rss"
}

report() {
  local file=$1 size ours hivex regf cat_
  size=$(stat -c %s "$file")
  ours=$(measure "$work/kelvaro-hive" check --no-logs "$file")
  hivex=$(measure hivexml "$file")
  # regfexport takes minutes on the generated hive: once is enough there.
  if [ "$size" -gt 33554432 ]; then regf=$(RUNS=1 measure regfexport "$file"); else regf=$(measure regfexport "$file"); fi
  cat_=$(measure sh -c "cat '$file' > /dev/null")
  usage=$(measure "$work/kelvaro-hive" usage "$file" --svg "$work/usage.svg")
  set -- $usage; local t_usage=$1 rss_usage=$2
  set -- $ours; local t_ours=$1 rss_ours=$2
  set -- $hivex; local t_hivex=$1
  set -- $regf; local t_regf=$1
  set -- $cat_; local t_cat=$1
  awk -v f="$(basename "$file")" -v size="$size" -v o="$t_ours" -v h="$t_hivex" -v r="$t_regf" -v c="$t_cat" -v rss="$rss_ours" 'BEGIN {
    d = 0.001
    printf "%s (%.1f MB)\n", f, size / 1048576
    printf "  kelvaro-hive check  %7.3f s\n", o
    printf "  hivexml             %7.3f s   check/hivexml    = %.2f\n", h, o / (h > d ? h : d)
    printf "  regfexport          %7.3f s   check/regfexport = %.2f\n", r, o / (r > d ? r : d)
    printf "  cat > /dev/null     %7.3f s   check/cat        = %.1f\n", c, o / (c > d ? c : d)
    printf "  peak memory of check: %.1f MB = %.2f x the file\n", rss / 1024, rss * 1024 / size
  }'
  awk -v size="$size" -v t="$t_usage" -v rss="$rss_usage" 'BEGIN {
    printf "  kelvaro-hive usage --svg %7.3f s, peak memory %.1f MB = %.2f x the file\n", t, rss / 1024, rss * 1024 / size
  }'
}

report "$real"
report "$big"

# Compaction: best of RUNS, writing over the same output each time.
report_compact() {
  local file=$1 size out compact hivex after
  size=$(stat -c %s "$file")
  out="$work/compacted-$(basename "$file")"
  compact=$(measure "$work/kelvaro-hive" compact "$file" "$out")
  hivex=$(measure hivexml "$file")
  after=$(stat -c %s "$out")
  set -- $compact; local t_compact=$1 rss=$2
  set -- $hivex; local t_hivex=$1
  awk -v f="$(basename "$file")" -v size="$size" -v after="$after" -v o="$t_compact" -v h="$t_hivex" -v rss="$rss" 'BEGIN {
    d = 0.001
    printf "%s (%.1f MB) compacted to %d bytes (%.1f%% saved)\n", f, size / 1048576, after, 100 * (size - after) / size
    printf "  kelvaro-hive compact %7.3f s\n", o
    printf "  hivexml              %7.3f s   compact/hivexml = %.2f\n", h, o / (h > d ? h : d)
    printf "  peak memory of compact: %.1f MB = %.2f x the input\n", rss / 1024, rss * 1024 / size
  }'
}

# The largest shared primary that compacts (logs beside it are unpacked too).
compactable=""
while IFS= read -r packed; do
  name=$(basename "${packed%.xz}")
  candidate="$work/compact-input/$name"
  mkdir -p "$work/compact-input"
  [ -f "$candidate" ] || xz -dc "$packed" > "$candidate"
  for log in "$(dirname "$packed")/$name".[Ll][Oo][Gg]*.xz; do
    [ -f "$log" ] || continue
    [ -f "$work/compact-input/$(basename "${log%.xz}")" ] || xz -dc "$log" > "$work/compact-input/$(basename "${log%.xz}")"
  done
  if "$work/kelvaro-hive" compact "$candidate" "$work/probe.hiv" > /dev/null 2>&1; then
    compactable=$candidate
    break
  fi
done < <(find "$shared" -name '*.xz' ! -iname '*.log*' -printf '%s %p\n' | sort -rn | cut -d' ' -f2)
rm -f "$work/probe.hiv"
[ -n "$compactable" ] && report_compact "$compactable"
report_compact "$big"
