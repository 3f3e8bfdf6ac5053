#!/usr/bin/env bash
# The compaction run under Wine: Defragment, then Cancel or OK at the
# confirmation, checked by what is left on disk and in the registry. Wine
# writes its own text format for saved keys (and Wine 8 refuses a save with
# security attributes outright), so the run must refuse every copy: nothing
# scheduled, no start-up value, no restart, its folder gone, and a message
# that says why. (The fake Windows pins the run on real hive bytes.)
source "$(dirname "$0")/lib.sh"


unix_path() { wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }

prepare() {  # prepare PREFIX_NAME
  fresh_prefix "$arch" "$1"
  mkdir -p "$WINEPREFIX/drive_c/KelvaroHives"
  truncate -s 1048576 "$WINEPREFIX/drive_c/KelvaroHives/SOFTWARE"
  truncate -s 262144 "$WINEPREFIX/drive_c/KelvaroHives/DEFAULT"
  local device
  device=$(probe dosdevice C:)
  wine reg add "$hivelist" /v '\REGISTRY\MACHINE\SOFTWARE' /t REG_SZ /d "$device\\KelvaroHives\\SOFTWARE" /f >/dev/null 2>&1
  wine reg add "$hivelist" /v '\REGISTRY\USER\.DEFAULT' /t REG_SZ /d "$device\\KelvaroHives\\DEFAULT" /f >/dev/null 2>&1
  temp_dir=$(unix_path "$(probe folders | sed -n 's/^temp|//p')")
  windows_dir=$(unix_path "$(probe folders | sed -n 's/^windows|//p')")
}

startup_value() { wine reg query "$runonce" /v Kelvaro $view 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }

press_defragment() {  # press_defragment ANSWER_ID
  probe click Kelvaro#1001 1001 >/dev/null
  local box
  box=$(probe wait 'Kelvaro#65535' 30 || true)
  check "$name: the confirmation asks string 109" contains "$box" "This process will forcibly reboot the computer.  Before proceeding please save all data and close all programs."
  probe click 'Kelvaro#65535' "$1" >/dev/null
}

# Cancel at the confirmation changes nothing.
prepare "e2e-run-$arch"
start_program
probe wait Kelvaro#1001 60 >/dev/null || true
press_defragment 2
sleep 1
check "$name: after Cancel the main window stays" bash -c '[ -n "$1" ]' _ "$(probe wait Kelvaro#1001 5)"
check "$name: after Cancel no compact copy" bash -c '[ ! -e "$1/SOFTWARE" ]' _ "$temp_dir"
check "$name: after Cancel no backup folder" bash -c '[ ! -e "$1/Kelvaro Backup" ]' _ "$windows_dir"
check "$name: after Cancel no start-up value" bash -c '[ -z "$1" ]' _ "$(startup_value)"
probe click Kelvaro#1001 2 >/dev/null
check "$name ends on Cancel" wait_program 30

# OK with "Show results after reboot" ticked: every copy is refused.
start_program
probe wait Kelvaro#1001 60 >/dev/null || true
screenshot "$name-run-main" || true
press_defragment 1
report=$(probe wait 'Kelvaro#65535' 60 || true)
screenshot "$name-run-refused" || true
check "$name: the report starts with string 111" contains "$report" "No hive could be compacted. The computer has not been restarted."
refused() {  # refused HIVE: the report names the hive with a reason that leaves it alone
  contains "$report" "$1: The compact copy failed the check and was discarded." ||
    contains "$report" "$1: Windows could not save a compact copy."
}
check "$name: the report names HKLM\\SOFTWARE with its reason" refused 'HKLM\SOFTWARE'
check "$name: the report names HKU\\.DEFAULT with its reason" refused 'HKU\.DEFAULT'
probe click 'Kelvaro#65535' 1 >/dev/null
check "$name: after the refusals the main window stays" bash -c '[ -n "$1" ]' _ "$(probe wait Kelvaro#1001 10)"
check "$name: no start-up value" bash -c '[ -z "$1" ]' _ "$(startup_value)"
check "$name: the run's folder is gone" bash -c '[ ! -e "$1/Kelvaro/Run-1" ]' _ "$windows_dir"
check "$name: nothing written to the temporary folder" bash -c '[ ! -e "$1/SOFTWARE" ] && [ ! -e "$1/.DEFAULT" ]' _ "$temp_dir"
check "$name: the live hive files are untouched" bash -c '[ "$(stat -c %s "$1/SOFTWARE")" = 1048576 ]' _ "$WINEPREFIX/drive_c/KelvaroHives"
probe click Kelvaro#1001 2 >/dev/null
check "$name ends on Cancel after the refusals" wait_program 30
finish
