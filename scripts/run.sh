#!/usr/bin/env bash
# Builds both programs, shows kelvaro-hive compacting a fragmented hive of ours
# and a whole off-line installation of ours natively, and starts Kelvaro64.exe
# under Wine in a prefix of ours.
# Without a display it runs under Xvfb, saves a screenshot, prints its path and
# closes the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j 2 --target kelvaro_program kelvaro_probe
done
echo "built: build/win32/Kelvaro.exe build/win64/Kelvaro64.exe"

# The hive tool natively, on a fragmented hive of ours: make, check, compact, check, diff.
bash scripts/hive-demo.sh build/hive-demo 20

# The whole of a Windows installation that is not running, natively: every
# hive found from the profile list, compacted, kept, swapped and restored.
bash scripts/offline-demo.sh build/offline-demo

source scripts/wine-env.sh
headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then headless=1; fi
kelvaro_ensure_display
export WINEPREFIX
WINEPREFIX=$(kelvaro_prefix win64 run-win64)

if [ "$headless" = 0 ]; then
  exec wine build/win64/Kelvaro64.exe "$@"
fi

wine build/win64/Kelvaro64.exe "$@" >/dev/null 2>&1 &
program=$!
title=Kelvaro
for arg in "$@"; do
  case "${arg,,}" in [-/]results) title="Kelvaro Results" ;; esac
done
wine build/win64/probe.exe wait "$title" 60 >/dev/null 2>&1 || true
sleep 1
shot="$PWD/build/kelvaro64-screenshot.png"
import -window root "$shot"
echo "screenshot: $shot"
wine build/win64/probe.exe close "$title" >/dev/null 2>&1 || true
wait "$program" || true
