#!/usr/bin/env bash
# The results half of the cycle under Wine: a RunOnce value as a run on
# Windows registers it (Wine's saves are text, so a run there schedules and
# registers nothing), then a restart of Wine (a new wineserver boots the
# prefix and runs the RunOnce entries): the results window must appear by itself. While it is open Wine starts nothing else in the
# prefix, so it is found and closed through X alone.
source "$(dirname "$0")/lib.sh"


fresh_prefix "$arch" "e2e-cycle-$arch"
device=$(probe dosdevice C:)
mkdir -p "$WINEPREFIX/drive_c/KelvaroHives"
truncate -s 1048576 "$WINEPREFIX/drive_c/KelvaroHives/SOFTWARE"
wine reg add "$hivelist" /v '\REGISTRY\MACHINE\SOFTWARE' /t REG_SZ /d "$device\\KelvaroHives\\SOFTWARE" /f >/dev/null 2>&1
# The program is started from inside the prefix, where the RunOnce entry can reach it.
cp "$KELVARO_PROGRAM" "$WINEPREFIX/drive_c/KelvaroHives/$name.exe"
KELVARO_PROGRAM="$WINEPREFIX/drive_c/KelvaroHives/$name.exe"

wine reg add "$runonce" /v Kelvaro /t REG_SZ /d "\"C:\\KelvaroHives\\$name.exe\" /results" /f $view >/dev/null 2>&1
value=$(wine reg query "$runonce" /v Kelvaro $view 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p' || true)
check "$name: RunOnce value registered: $value" contains "$value" "/results"

# Restart Wine: the next program started boots the prefix, which runs RunOnce.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wine cmd /c exit >/dev/null 2>&1 &
booting=$!
window=""
for _ in $(seq 1 300); do
  window=$(xdotool search --name '^Kelvaro Results$' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.2
done
check "$name: the results window appears by itself after the restart" test -n "$window"
if [ -n "$window" ]; then
  sleep 1
  screenshot "$name-cycle-results" || true
  xdotool windowfocus "$window" 2>/dev/null || true
  xdotool key --clearmodifiers Escape 2>/dev/null || true
fi
deadline=$((SECONDS + 60))
while kill -0 "$booting" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.5; done
check "$name: the restart finishes once the results window closes" bash -c '! kill -0 "$1" 2>/dev/null' _ "$booting"
kill "$booting" 2>/dev/null || true
value=$(wine reg query "$runonce" /v Kelvaro $view 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p' || true)
check "$name: the RunOnce entry is gone" bash -c '[ -z "$1" ]' _ "$value"
finish
