#!/usr/bin/env bash
# kelvaro-hive on a fragmented hive the project makes itself: build, make the
# hive, check it, compact it, check the result, compare the two contents and
# show the sizes. Runs natively on Linux; no Windows needed.
#   scripts/hive-demo.sh [WORK_FOLDER] [MEGABYTES]
set -euo pipefail

work=${1:-build/hive-demo}
megabytes=${2:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$work"

echo "== build (optimised, native: the release preset)"
bash "$root/scripts/build-release-tools.sh" kelvaro-hive make-big-hive
tool="$root/build/release/cli/kelvaro-hive"

echo "== make a fragmented ${megabytes} MB hive (a 64-byte free cell before every record)"
"$root/build/release/tests/hive/make-big-hive" "$work/fragmented.hiv" "$megabytes" 64
rm -f "$work/compact.hiv"

echo "== check the fragmented hive"
"$tool" check --no-logs "$work/fragmented.hiv" | tail -1
"$tool" info "$work/fragmented.hiv" | grep -E '^(File size|Free cells|Compacted size)'

echo "== compact it"
"$tool" compact "$work/fragmented.hiv" "$work/compact.hiv"

echo "== check the compacted hive"
"$tool" check --no-logs "$work/compact.hiv" | tail -1
"$tool" info "$work/compact.hiv" | grep -E '^(File size|Free cells)'

echo "== compare the contents"
"$tool" diff "$work/fragmented.hiv" "$work/compact.hiv" --no-logs

before=$(stat -c %s "$work/fragmented.hiv")
after=$(stat -c %s "$work/compact.hiv")
echo "== sizes: $before bytes before, $after bytes after ($(( (before - after) * 100 / before ))% saved)"
