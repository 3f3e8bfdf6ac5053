#!/usr/bin/env bash
# Benchmark of `kelvaro-hive check` against two independent readers walking
# the same file (hivexml from hivex, regfexport from libregf) and against
# reading the file (cat), on the largest hive of shared/hives and on a
# generated 100 MB hive. Prints times, ratios and our peak memory as a
# multiple of the file size. Not a test: figures only.
#   scripts/bench-hive.sh [WORK_FOLDER] [MEGABYTES]
set -euo pipefail

work=${1:-/tmp/kelvaro-hive-bench}
megabytes=${2:-100}
root=$(cd "$(dirname "$0")/.." && pwd)
shared="$root/../shared/hives"
mkdir -p "$work"

# An optimised build of its own: the test build has sanitizers on.
cxx=${CXX:-c++}
"$cxx" -std=c++20 -O2 -DNDEBUG -I"$root" "$root"/hive/*.cpp "$root"/tools/kelvaro-hive/{DiffCommand,HiveTool,JsonWriter,ToolReport,Main}.cpp \
  -o "$work/kelvaro-hive"
"$cxx" -std=c++20 -O2 -DNDEBUG -I"$root" "$root"/hive/*.cpp "$root/tests/hive/HiveBuilder.cpp" "$root/bench/MakeBigHive.cpp" \
  -o "$work/make-big-hive"

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
}

report "$real"
report "$big"
