#!/usr/bin/env bash
# The compaction run under Wine: Defragment, then Cancel or OK at the
# confirmation, checked by what is left on disk and in the registry. (Wine
# writes its own text format for saved keys and only pretends to schedule the
# replacements and the restart; the fake Windows pins those behaviours.)
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

# OK with "Show results after reboot" ticked.
start_program
probe wait Kelvaro#1001 60 >/dev/null || true
screenshot "$name-run-main" || true
press_defragment 1
check "$name ends after the run" wait_program 60
check "$name: compact copy of HKLM\\SOFTWARE in the temporary folder" test -s "$temp_dir/SOFTWARE"
check "$name: compact copy of HKU\\.DEFAULT in the temporary folder" test -s "$temp_dir/.DEFAULT"
check "$name: \"Kelvaro Backup\" in the Windows folder" test -d "$windows_dir/Kelvaro Backup"
value=$(startup_value)
case "$value" in
  \"*\"\ /results) check "$name: quoted RunOnce value: $value" true ;;
  *) check "$name: quoted RunOnce value (got '$value')" false ;;
esac
wine reg delete "$runonce" /v Kelvaro /f $view >/dev/null 2>&1 || true
wineserver -k 2>/dev/null || true

# OK with the box unticked: no start-up value.
prepare "e2e-run-unticked-$arch"
start_program
probe wait Kelvaro#1001 60 >/dev/null || true
probe setcheck Kelvaro#1001 1004 0 >/dev/null
press_defragment 1
check "$name ends after the run (box unticked)" wait_program 60
check "$name: box unticked, compact copy made" test -s "$temp_dir/SOFTWARE"
check "$name: box unticked, no start-up value" bash -c '[ -z "$1" ]' _ "$(startup_value)"
finish
