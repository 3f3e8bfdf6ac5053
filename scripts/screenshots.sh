#!/usr/bin/env bash
# Refreshes the README's screenshots from the end-to-end tests of the x64 build
# (which save full-screen shots under build/win64/e2e-screens), cropped to the window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j 2 >/dev/null
ctest --preset win64 -R 'e2e_(hivelist|results|run|analyze|cycle)' >/dev/null || true
mkdir -p docs/screenshots
shots=build/win64/e2e-screens
declare -A wanted=(
  [main-window]=Kelvaro64-hivelist-english
  [main-window-german]=Kelvaro64-hivelist-german
  [main-window-analyzed]=Kelvaro64-analyzed
  [results-window]=Kelvaro64-results
  [about-box]=Kelvaro64-about
)
for name in "${!wanted[@]}"; do
  source_png="$shots/${wanted[$name]}.png"
  if [ -f "$source_png" ]; then
    convert "$source_png" -trim +repage "docs/screenshots/$name.png"
    echo "docs/screenshots/$name.png"
  else
    echo "missing: $source_png" >&2
  fi
done
