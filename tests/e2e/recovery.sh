#!/usr/bin/env bash
# The recovery script run by Wine's cmd, as in the recovery environment: a
# Windows volume on D: holding run 3's backups, its compacted hives and their
# logs. The script must find D:, refuse to change anything when a backup's
# size is not the one on record, and otherwise put each swapped hive's backup
# in place with the compacted file and its logs moved aside, leaving a hive
# that was never swapped alone. (Wine's cmd reads a script in the ANSI code
# page whatever chcp says, so the paths here are ASCII.)
source "$(dirname "$0")/lib.sh"

fresh_prefix "$arch" "e2e-recovery-$arch"
volume="$KELVARO_WINE_ROOT/recovery-volume-$arch"
run="$volume/Windows/Kelvaro Backup/Run-3"

arrange() {  # arrange SYSTEM_BACKUP_TEXT
  rm -rf "$volume"
  mkdir -p "$run" "$volume/Windows/System32/config" "$volume/Users/Jo & (x)" "$volume/Users/never"
  printf '%s' "$1" >"$run/SYSTEM"
  printf 'previous user' >"$run/S-1-5-21-7"
  printf 'compact' >"$volume/Windows/System32/config/SYSTEM"
  printf 'log1' >"$volume/Windows/System32/config/SYSTEM.LOG1"
  printf 'log2' >"$volume/Windows/System32/config/SYSTEM.LOG2"
  printf 'compact user' >"$volume/Users/Jo & (x)/NTUSER.DAT"
  printf 'user log1' >"$volume/Users/Jo & (x)/NTUSER.DAT.LOG1"
  printf 'never swapped' >"$volume/Users/never/NTUSER.DAT"
  ln -sfn "$volume" "$WINEPREFIX/dosdevices/d:"
  # SYSTEM's backup hashed after the restart (exact size 15); the user's not
  # yet (at least the 8 bytes of the save); the third swap never taken.
  {
    printf 'Kelvaro run record 1\r\nrun\t3\r\nstarted\t2026-12-08 10:51:08 UTC\r\nversion\t1.1.0.0\r\n'
    printf 'hive\tscheduled\tHKLM\\SYSTEM\tC:\\Windows\\System32\\config\\SYSTEM\t12\t7\tab\t'
    printf 'C:\\Windows\\Kelvaro Backup\\Run-3\\SYSTEM\t\t15\tcd\r\n'
    printf 'hive\tswapping\tHKU\\S-1-5-21-7\tC:\\Users\\Jo & (x)\\NTUSER.DAT\t8\t12\tab\t'
    printf 'C:\\Windows\\Kelvaro Backup\\Run-3\\S-1-5-21-7\t\r\n'
    printf 'hive\tscheduled\tHKU\\S-1-5-21-9\tC:\\Users\\never\\NTUSER.DAT\t8\t5\tab\t'
    printf 'C:\\Windows\\Kelvaro Backup\\Run-3\\S-1-5-21-9\t\r\n'
  } >"$KELVARO_WINE_ROOT/recovery-$arch.record"
  wine "$KELVARO_WRITE_RECOVERY_SCRIPT" "$(wine winepath -w "$KELVARO_WINE_ROOT/recovery-$arch.record" 2>/dev/null | tr -d '\r')" \
    "$(wine winepath -w "$run/Restore previous hives.cmd" 2>/dev/null | tr -d '\r')" >/dev/null 2>&1
}

run_script() {
  set +e
  script_out=$(wine cmd /c 'D:\Windows\Kelvaro Backup\Run-3\Restore previous hives.cmd' 2>&1 | tr -d '\r')
  script_exit=$?
  set -e
}

# A backup one byte short of the size on record: nothing changes.
arrange 'previous SYSTE'
run_script
check "$name: the script finds the Windows volume on D:" contains "$script_out" "Windows is on D:."
check "$name: a backup of the wrong size is named" contains "$script_out" "not the 15 on record: nothing was changed"
check "$name: and nothing was changed" bash -c '[ "$(cat "$1/Windows/System32/config/SYSTEM")" = compact ] && [ -e "$1/Windows/System32/config/SYSTEM.LOG1" ] && [ "$(cat "$1/Users/Jo & (x)/NTUSER.DAT")" = "compact user" ]' _ "$volume"

arrange 'previous SYSTEM'
run_script
check "$name: the script ends well" contains "$script_out" "Done. Close the command prompt and start Windows."
for hive in 'Windows/System32/config/SYSTEM|previous SYSTEM|compact' 'Users/Jo & (x)/NTUSER.DAT|previous user|compact user'; do
  IFS='|' read -r file previous compact <<<"$hive"
  check "$name: $file is the previous file again" bash -c '[ "$(cat "$1")" = "$2" ]' _ "$volume/$file" "$previous"
  check "$name: $file's compacted file is kept aside" bash -c '[ "$(cat "$1.compacted")" = "$2" ]' _ "$volume/$file" "$compact"
  check "$name: $file's .LOG1 is moved aside" bash -c '[ ! -e "$1.LOG1" ] && [ -e "$1.LOG1.compacted" ]' _ "$volume/$file"
done
check "$name: SYSTEM's .LOG2 is moved aside" test -e "$volume/Windows/System32/config/SYSTEM.LOG2.compacted"
check "$name: the backups stay for another try" test -e "$run/SYSTEM"
check "$name: a hive never swapped is left alone" bash -c '[ "$(cat "$1")" = "never swapped" ]' _ "$volume/Users/never/NTUSER.DAT"
check "$name: and said so" contains "$script_out" 'NTUSER.DAT" was not swapped: left as it is.'
rm -f "$WINEPREFIX/dosdevices/d:"
finish
