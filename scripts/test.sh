#!/usr/bin/env bash
# Builds everything and runs every test: natively (sanitizers on, fuzz smoke
# runs), then the x86 and x64 builds under Wine: the portable suites again in
# x86 (where pointers are 32-bit, unlike natively), and in both the contract
# tests against the real Win32 implementation, the windows in-process and the
# programs end to end. Ends with a table of stages and their seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stages.sh
kelvaro_stage setup
bash scripts/setup.sh

jobs=${KELVARO_JOBS:-2}

kelvaro_stage format
bash scripts/format.sh --check

# Throw-away Wine prefixes: made afresh for every run.
kelvaro_stage "display and samples"
rm -rf build/wine
source scripts/wine-env.sh
kelvaro_ensure_display

# The Windows builds have no xz: they read a folder of unpacked samples,
# through drive Z: (Wine's view of the Unix root).
samples="$PWD/../shared/hives"
if [ -f "$samples/SOURCES.md" ]; then
  rm -rf build/samples && mkdir -p build/samples
  cp "$samples/SOURCES.md" build/samples/
  (cd "$samples" && find . -name '*.xz' -print0) | while IFS= read -r -d '' packed; do
    mkdir -p "build/samples/$(dirname "$packed")"
    xz -dc "$samples/$packed" > "build/samples/${packed%.xz}"
  done
  windows_samples="Z:$(echo "$PWD/build/samples" | tr / '\\')"
fi

summary=()
skipped=()
for preset in native win32 win64; do
  kelvaro_stage "$preset: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  kelvaro_stage "$preset: test"
  # KELVARO_REQUIRE_SAMPLES=1 (set by CI) turns a missing sample into a failure.
  sample_folder=$( [ "$preset" = native ] && echo "${KELVARO_SAMPLE_HIVES:-}" || echo "${windows_samples:-}" )
  KELVARO_SAMPLE_HIVES=$sample_folder \
    ctest --preset "$preset" -j "$( [ "$preset" = native ] && echo "$jobs" || echo 1 )" | tee "build/ctest-$preset.log"
  cp "build/$preset/Testing/Temporary/LastTest.log" "build/ctest-$preset-output.log"
  summary+=("$preset: $(grep -E 'tests passed' "build/ctest-$preset.log"), $(bash scripts/count-test-cases.sh "build/ctest-$preset-output.log") test cases")
  skipped+=("$(bash scripts/skipped-tests.sh "$preset" "build/ctest-$preset-output.log")")
done
kelvaro_stage_close

echo "=== summary"
printf '%s\n' "${summary[@]}"
printf '%s\n' "${skipped[@]}"
for exe in build/win32/Kelvaro.exe build/win64/Kelvaro64.exe; do
  printf '%s: %s bytes, %s\n' "$exe" "$(stat -c %s "$exe")" "$(file -b "$exe" | cut -d, -f1)"
done
