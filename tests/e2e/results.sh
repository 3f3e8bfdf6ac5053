#!/usr/bin/env bash
# The results window under Wine, in a prefix arranged as after a restart: the
# backup folder holds the previous files, the live hive files are smaller, and
# the RunOnce value that starts the program is present.
source "$(dirname "$0")/lib.sh"


arrange() {  # arrange PREFIX_NAME
  fresh_prefix "$arch" "$1"
  local device windows
  device=$(probe dosdevice C:)
  windows=$(wine winepath -u "$(probe folders | sed -n 's/^windows|//p')" 2>/dev/null | tr -d '\r')
  backup="$windows/Kelvaro Backup"
  mkdir -p "$WINEPREFIX/drive_c/KelvaroHives" "$backup"
  truncate -s 2097152 "$WINEPREFIX/drive_c/KelvaroHives/SOFTWARE"
  truncate -s 10240 "$WINEPREFIX/drive_c/KelvaroHives/SAM"
  truncate -s 4194304 "$backup/SOFTWARE"
  truncate -s 20480 "$backup/SAM"
  wine reg add "$hivelist" /v '\REGISTRY\MACHINE\SOFTWARE' /t REG_SZ /d "$device\\KelvaroHives\\SOFTWARE" /f >/dev/null 2>&1
  wine reg add "$hivelist" /v '\REGISTRY\MACHINE\SAM' /t REG_SZ /d "$device\\KelvaroHives\\SAM" /f >/dev/null 2>&1
  wine reg add "$runonce" /v Kelvaro /t REG_SZ /d "\"C:\\Kelvaro\\$name.exe\" /results" /f $view >/dev/null 2>&1
}

startup_value() { wine reg query "$runonce" /v Kelvaro $view 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }

open_results() {
  start_program /results
  local listing rows
  listing=$(probe wait "Kelvaro Results" 60 || true)
  check "$name /results opens \"Kelvaro Results\"" contains "$listing" "window|#32770|Kelvaro Results|"
  check "$name: the start-up value is gone once the window shows" bash -c '[ -z "$1" ]' _ "$(startup_value)"
  rows=$(probe rows "Kelvaro Results" 1002)
  check "$name lists HKLM\\SAM 20 KB -> 10 KB" contains "$rows" "row|0|HKLM\\SAM|20 KB|10 KB"
  check "$name lists HKLM\\SOFTWARE 4,096 KB -> 2,048 KB" contains "$rows" "row|0|HKLM\\SOFTWARE|4,096 KB|2,048 KB"
}

# Delete Backup ticked, then Enter: the backup files and the folder go.
arrange "e2e-results-$arch"
open_results
probe setcheck "Kelvaro Results" 1003 1 >/dev/null
screenshot "$name-results" || true
probe key "Kelvaro Results" 13 >/dev/null
check "$name ends on Enter" wait_program 30
check "$name: Delete Backup + Enter removed the backup folder" bash -c '[ ! -e "$1" ]' _ "$backup"
wineserver -k 2>/dev/null || true

# Delete Backup ticked, then Escape: nothing is removed.
arrange "e2e-results-escape-$arch"
open_results
probe setcheck "Kelvaro Results" 1003 1 >/dev/null
probe key "Kelvaro Results" 27 >/dev/null
check "$name ends on Escape" wait_program 30
check "$name: Escape keeps the backup files" test -f "$backup/SOFTWARE"
finish
