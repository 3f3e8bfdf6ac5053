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
#   scripts/bench-hive.sh --big [WORK_FOLDER] [MEGABYTES] [FREE_GAP]
# --big: only `compact` and `check` beside hivexml, once each, on a generated
# hive of MEGABYTES (2048 unless given; FREE_GAP puts a free cell of that many
# bytes before every record), made in WORK_FOLDER and deleted afterwards.
set -euo pipefail

big_only=0
if [ "${1:-}" = "--big" ]; then
  big_only=1
  shift
fi
work=${1:-/tmp/kelvaro-hive-bench}
megabytes=${2:-$([ "$big_only" = 1 ] && echo 2048 || echo 100)}
free_gap=${3:-}
root=$(cd "$(dirname "$0")/.." && pwd)
shared="${KELVARO_SAMPLE_HIVES:-$root/../shared/hives}"
[ -d "$shared" ] || shared="$root/../../shared/hives"  # from a worktree
mkdir -p "$work"

# The release preset: optimised, no sanitizers (the test build has them on).
bash "$root/scripts/build-release-tools.sh" kelvaro-hive make-big-hive > /dev/null
cp "$root/build/release/cli/kelvaro-hive" "$root/build/release/tests/hive/make-big-hive" "$work/"

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

if [ "$big_only" = 1 ]; then
  # The input, its compacted copy and room to spare.
  need=$((megabytes * 1024 * 3))
  room=$(df -Pk "$work" | awk 'NR == 2 {print $4}')
  if [ "$room" -lt "$need" ]; then
    echo "$work: ${room} KB free, ${need} KB needed for a ${megabytes} MB hive" >&2
    exit 1
  fi
  huge="$work/generated-${megabytes}MB${free_gap:+-gap$free_gap}.hiv"
  trap 'rm -f "$huge" "$work/compacted-big.hiv"' EXIT
  "$work/make-big-hive" "$huge" "$megabytes" $free_gap
  size=$(stat -c %s "$huge")
  set -- $(RUNS=1 measure hivexml "$huge"); t_hivex=$1
  set -- $(RUNS=1 measure "$work/kelvaro-hive" compact "$huge" "$work/compacted-big.hiv"); t_compact=$1 rss_compact=$2
  after=$(stat -c %s "$work/compacted-big.hiv" 2> /dev/null || echo 0)
  set -- $(RUNS=1 measure "$work/kelvaro-hive" check --no-logs "$huge"); t_check=$1 rss_check=$2
  awk -v f="$(basename "$huge")" -v size="$size" -v after="$after" -v h="$t_hivex" -v c="$t_compact" \
      -v rc="$rss_compact" -v k="$t_check" -v rk="$rss_check" 'BEGIN {
    d = 0.001
    printf "%s (%.1f MB) compacted to %d bytes\n", f, size / 1048576, after
    printf "  hivexml              %7.3f s\n", h
    printf "  kelvaro-hive compact %7.3f s   compact/hivexml = %.2f   peak %.1f MB = %.2f x the input\n", c, c / (h > d ? h : d), rc / 1024, rc * 1024 / size
    printf "  kelvaro-hive check   %7.3f s   check/hivexml   = %.2f   peak %.1f MB = %.2f x the input\n", k, k / (h > d ? h : d), rk / 1024, rk * 1024 / size
  }'
  exit 0
fi

largest=$(find "$shared" -name '*.xz' ! -iname '*.log*' -printf '%s %p\n' | sort -n | tail -1 | cut -d' ' -f2)
real="$work/$(basename "${largest%.xz}")"
[ -f "$real" ] || xz -dc "$largest" > "$real"
big="$work/generated-${megabytes}MB.hiv"
[ -f "$big" ] || "$work/make-big-hive" "$big" "$megabytes"


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

# The largest real sample, when only its dirty mark keeps it from compacting
# (no log holds its last write): a copy with the sequence numbers made equal
# and the checksum set, its content as it stands, so that compaction is also
# measured on the largest real hive there is.
if [ "$(basename "$compactable")" != "$(basename "$real")" ]; then
  clean="$work/compact-input/$(basename "$real")-marked-clean"
  python3 - "$real" "$clean" << 'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
data[8:12] = data[4:8]
checksum = 0
for at in range(0, 508, 4):
    checksum ^= struct.unpack_from("<I", data, at)[0]
checksum = 0xFFFFFFFE if checksum == 0xFFFFFFFF else (1 if checksum == 0 else checksum)
struct.pack_into("<I", data, 508, checksum)
open(sys.argv[2], "wb").write(data)
PY
  if "$work/kelvaro-hive" compact "$clean" "$work/probe.hiv" > /dev/null 2>&1; then report_compact "$clean"; fi
  rm -f "$work/probe.hiv"
fi
