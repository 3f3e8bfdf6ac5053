#!/usr/bin/env bash
# The results window under Wine, in a prefix arranged as after a restart: run
# 1's record names its swaps, its backup folder holds the previous files, the
# live hive files are smaller, and the RunOnce value that starts the program
# is present. Wine does not keep the owner a folder is given, so the records
# folder fails the protected-folder check: the window must not believe the
# record, list nothing and delete nothing, whatever the user does. (The fake
# Windows of the in-process test gives the listing and the deletion.)
source "$(dirname "$0")/lib.sh"


arrange() {  # arrange PREFIX_NAME
  fresh_prefix "$arch" "$1"
  local device windows windows_dos
  device=$(probe dosdevice C:)
  windows_dos=$(probe folders | sed -n 's/^windows|//p')
  windows=$(wine winepath -u "$windows_dos" 2>/dev/null | tr -d '\r')
  backup="$windows/Kelvaro Backup/Run-1"
  mkdir -p "$WINEPREFIX/drive_c/KelvaroHives" "$backup" "$windows/Kelvaro/Records"
  truncate -s 2097152 "$WINEPREFIX/drive_c/KelvaroHives/SOFTWARE"
  truncate -s 10240 "$WINEPREFIX/drive_c/KelvaroHives/SAM"
  truncate -s 4194304 "$backup/SOFTWARE"
  truncate -s 20480 "$backup/SAM"
  {
    printf 'Kelvaro run record 1\r\nrun\t1\r\nstarted\t2026-12-08 10:51:08 UTC\r\nversion\t1.1.0.0\r\n'
    printf 'hive\tscheduled\tHKLM\\SOFTWARE\tC:\\KelvaroHives\\SOFTWARE\t4194304\t2097152\t\t%s\t\r\n' \
      "$windows_dos\\Kelvaro Backup\\Run-1\\SOFTWARE"
    printf 'hive\tscheduled\tHKLM\\SAM\tC:\\KelvaroHives\\SAM\t20480\t10240\t\t%s\t\r\n' \
      "$windows_dos\\Kelvaro Backup\\Run-1\\SAM"
  } >"$windows/Kelvaro/Records/Run-1.record"
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
  check "$name lists no hive from a record in a folder that fails its checks" \
    bash -c '! grep -qF "row|" <<<"$1"' _ "$rows"
}

# Delete Backup ticked, then Enter: nothing listed, so nothing goes.
arrange "e2e-results-$arch"
open_results
probe setcheck "Kelvaro Results" 1003 1 >/dev/null
screenshot "$name-results" || true
probe key "Kelvaro Results" 13 >/dev/null
check "$name ends on Enter" wait_program 30
check "$name: Delete Backup + Enter keeps backups no believed record names" test -f "$backup/SOFTWARE"
wineserver -k 2>/dev/null || true

# Delete Backup ticked, then Escape: nothing is removed.
arrange "e2e-results-escape-$arch"
open_results
probe setcheck "Kelvaro Results" 1003 1 >/dev/null
probe key "Kelvaro Results" 27 >/dev/null
check "$name ends on Escape" wait_program 30
check "$name: Escape keeps the backup files" test -f "$backup/SOFTWARE"
finish
