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

echo "== build (optimised, native)"
cxx=${CXX:-c++}
"$cxx" -std=c++20 -O2 -DNDEBUG -I"$root" "$root"/{hive,offline,compaction,catalogue,path,platform}/*.cpp \
  "$root"/cli/*.cpp "$root"/cli/live/*.cpp -o "$work/kelvaro-hive"
"$cxx" -std=c++20 -O2 -DNDEBUG -I"$root" -DKELVARO_SOURCE_DIR="\"$root\"" \
  -DKELVARO_SAMPLE_HIVES="\"$samples\"" "$root"/hive/*.cpp "$root"/tests/hive/{HiveBuilder,HiveTestSupport}.cpp \
  "$root"/tests/offline/{InstallationTree,MakeOfflineTree}.cpp -o "$work/make-offline-tree"
tool="$work/kelvaro-hive"

tree="$work/volume"
rm -rf "$tree"
with_samples=--samples
[ -d "$samples" ] || { with_samples=; echo "(no sample hives at $samples: generated ones only)"; }
echo "== lay out an installation in $tree"
"$work/make-offline-tree" "$tree" $with_samples
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
