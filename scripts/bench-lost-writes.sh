#!/usr/bin/env bash
# What naming the writes a compacted hive missed costs, on the largest hive of
# shared/hives: the disk the kept copy takes (the compacted size, for as long
# as the run is on record) and the time and peak memory of comparing it with
# the previous file by content, through `kelvaro-hive diff` (the engine the
# report calls). Not a test: figures only.
#   scripts/bench-lost-writes.sh [WORK_FOLDER]
set -euo pipefail

work=${1:-/tmp/kelvaro-lost-writes-bench}
root=$(cd "$(dirname "$0")/.." && pwd)
shared="${KELVARO_SAMPLE_HIVES:-$root/../shared/hives}"
mkdir -p "$work"

bash "$root/scripts/build-release-tools.sh" kelvaro-hive > /dev/null
tool="$root/build/release/cli/kelvaro-hive"

largest=$(find "$shared" -name '*.xz' ! -iname '*.log*' -printf '%s %p\n' | sort -n | tail -1 | cut -d' ' -f2)
previous="$work/$(basename "${largest%.xz}")"
[ -f "$previous" ] || xz -dc "$largest" > "$previous"
kept="$work/kept-copy"
rm -f "$kept"
# The copy a save would write: the same content in the fewest bytes. A hive
# left dirty without its logs cannot be compacted here; it is then compared
# with itself, which parses more bytes than the kept copy would hold.
"$tool" compact "$previous" "$kept" --format latest > /dev/null 2>&1 || cp "$previous" "$kept"
compacted=$( ("$tool" info --no-logs --json "$previous" || true) | python3 -c 'import json,sys; print(json.load(sys.stdin)["statistics"]["compactedSize"])')

best_time="" best_rss=""
for _ in $(seq "${RUNS:-3}"); do
  /usr/bin/time -v -o "$work/time.txt" "$tool" diff --no-logs --all "$kept" "$previous" \
    > "$work/diff.txt" 2>&1 || true
  t=$(awk -F': ' '/Elapsed \(wall clock\)/ {n=split($2,p,":"); s=0; for(i=1;i<=n;i++) s=s*60+p[i]; print s}' "$work/time.txt")
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  if [ -z "$best_time" ] || awk "BEGIN{exit !($t < $best_time)}"; then best_time=$t; best_rss=$rss; fi
done

printf 'hive:                    %s\n' "$(basename "$previous")"
printf 'previous file:           %d bytes\n' "$(stat -c %s "$previous")"
printf 'kept copy (disk cost):   %d bytes (the compacted size)\n' "$compacted"
printf 'compared with:           %d bytes\n' "$(stat -c %s "$kept")"
printf 'comparison, best of %s: %s s, peak %s KB resident\n' "${RUNS:-3}" "$best_time" "$best_rss"
printf 'differences found:       %s\n' "$(tail -1 "$work/diff.txt")"
