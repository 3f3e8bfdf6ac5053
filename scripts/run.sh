#!/usr/bin/env bash
# Builds both programs, shows kelvaro-hive compacting a fragmented hive of ours
# and a whole off-line installation of ours natively, and starts Kelvaro64.exe
# under Wine in a prefix of ours.
# Without a display it runs under Xvfb, saves a screenshot, checks that it
# shows a window, prints its path and closes the program.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/stages.sh
kelvaro_stage setup
bash scripts/setup.sh
jobs=${KELVARO_JOBS:-2}
for preset in win32 win64; do
  kelvaro_stage "$preset: build the program"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" --target kelvaro_program kelvaro_probe
done
echo "built: build/win32/Kelvaro.exe build/win64/Kelvaro64.exe"

# The hive tool natively, on a fragmented hive of ours: make, check, compact, check, diff.
kelvaro_stage "hive demo"
bash scripts/hive-demo.sh build/hive-demo 20

# The whole of a Windows installation that is not running, natively: every
# hive found from the profile list, compacted, kept, swapped and restored.
kelvaro_stage "off-line demo"
bash scripts/offline-demo.sh build/offline-demo

kelvaro_stage "Kelvaro64.exe under Wine"
source scripts/wine-env.sh
headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then headless=1; fi
kelvaro_ensure_display
export WINEPREFIX
WINEPREFIX=$(kelvaro_prefix win64 run-win64)

if [ "$headless" = 0 ]; then
  # On a desktop, its window manager frames the window as it frames any other.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d Y /f >/dev/null 2>&1
  trap - EXIT
  exec wine build/win64/Kelvaro64.exe "$@"
fi

wine build/win64/Kelvaro64.exe "$@" >/dev/null 2>&1 &
program=$!
title=Kelvaro
for arg in "$@"; do
  case "${arg,,}" in [-/]results) title="Kelvaro Results" ;; esac
done
if ! wine build/win64/probe.exe wait "$title" 60 >/dev/null 2>&1; then
  kill "$program" 2>/dev/null || true
  echo "run: no window \"$title\" within 60 seconds" >&2
  exit 1
fi
sleep 1
shot="$PWD/build/kelvaro64-screenshot.png"
rm -f "$shot"
import -window root "$shot"
wine build/win64/probe.exe close "$title" >/dev/null 2>&1 || true
wait "$program" || true
# An empty screen has one colour; the window, its list and its buttons many.
colours=$(identify -format '%k' "$shot" 2>/dev/null || echo 0)
if [ "$colours" -lt 16 ]; then
  echo "run: the screenshot $shot is blank ($colours colours)" >&2
  exit 1
fi
kelvaro_stage_close
echo "screenshot: $shot ($colours colours)"
