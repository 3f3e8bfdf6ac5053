#!/usr/bin/env bash
# kelvaro-hive offline on a Windows installation laid out by the project
# itself: machine hives and profiles generated (fragmented, SOFTWARE with a
# profile list), plus a user whose hives are real samples, one of them dirty
# with its two logs. Shows the dry run, the run, a second run with nothing
# left to gain, and restore. Runs natively on Linux; no Windows needed.
#   scripts/offline-demo.sh [WORK_FOLDER]
set -euo pipefail

work=${1:-build/offline-demo}
root=$(cd "$(dirname "$0")/.." && pwd)
samples=${KELVARO_SAMPLE_HIVES:-$root/../shared/hives}
mkdir -p "$work"

echo "== build (optimised, native: the release preset)"
bash "$root/scripts/build-release-tools.sh" kelvaro-hive make-offline-tree
tool="$root/build/release/cli/kelvaro-hive"

tree="$work/volume"
rm -rf "$tree"
# The samples are found as the tests find them: KELVARO_SAMPLE_HIVES, then ../shared/hives.
with_samples=--samples
if [ ! -f "$samples/SOURCES.md" ]; then
  if [ "${KELVARO_REQUIRE_SAMPLES:-}" = 1 ]; then
    echo "offline-demo: no sample hives at $samples (no SOURCES.md there); set KELVARO_SAMPLE_HIVES to the folder" >&2
    exit 1
  fi
  with_samples=
  echo "(no sample hives at $samples, no SOURCES.md there: generated hives only; set KELVARO_SAMPLE_HIVES to the folder)"
fi
export KELVARO_SAMPLE_HIVES=$samples
echo "== lay out an installation in $tree"
"$root/build/release/tests/offline/make-offline-tree" "$tree" $with_samples
(cd "$tree" && find . -type f -not -path './Windows/System32/config/RegBack/*' | sort)

echo "== kelvaro-hive offline $tree --dry-run (changes nothing, exact sizes)"
"$tool" offline "$tree" --dry-run

echo "== kelvaro-hive offline $tree --yes"
"$tool" offline "$tree" --yes

echo "== the compacted SYSTEM checks as sound"
"$tool" check "$tree/Windows/System32/config/SYSTEM" | tail -1

echo "== a second run finds nothing to gain"
"$tool" offline "$tree" --yes | tail -1

echo "== what the run kept"
(cd "$tree/Windows/Kelvaro Backup" && find . -type f | sort)

echo "== kelvaro-hive restore --offline $tree (the exact bytes back)"
"$tool" restore --offline "$tree"
