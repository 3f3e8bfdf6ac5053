#!/usr/bin/env bash
# kelvaro-hive profiles under Wine: a profile list planted in the prefix's
# registry (in the program's own view), with hive files in the profile
# folders, is listed with each profile's kind, files, sizes and verdict, and
# nothing is changed. analyze --profiles gets no checked copy (the files are
# no hives, and Wine saves keys as text): it measures nothing, says why, and
# leaves no file changed and no load behind; defragment --profiles likewise
# swaps nothing and changes no file, and so does the main window's Defragment.
source "$(dirname "$0")/lib.sh"

list='HKLM\Software\Microsoft\Windows NT\CurrentVersion\ProfileList'
carol='S-1-5-21-7-8-9-1001'
dave='S-1-5-21-7-8-9-1002'
erin='S-1-5-21-7-8-9-1003'

plant() {  # plant SID FOLDER STATE [CENTRAL]: a profile-list entry
  wine reg add "$list\\$1" /v ProfileImagePath /t REG_EXPAND_SZ /d "%SystemDrive%\\users\\$2" /f $view >/dev/null 2>&1
  wine reg add "$list\\$1" /v State /t REG_DWORD /d "$3" /f $view >/dev/null 2>&1
  if [ -n "${4:-}" ]; then
    wine reg add "$list\\$1" /v CentralProfile /t REG_SZ /d "$4" /f $view >/dev/null 2>&1
  fi
}

# field SID KEY...: a field of that profile in the JSON report in $out.
field() {
  python3 -c '
import json, sys
for profile in json.load(sys.stdin)["profiles"]:
    if profile["sid"] != sys.argv[1]: continue
    value = profile
    for key in sys.argv[2:]: value = value.get(key, "") if isinstance(value, dict) else ""
    print(str(value).lower() if isinstance(value, bool) else value)
' "$@" <<<"$out"
}

fresh_prefix "$arch" "e2e-profiles-$arch"
users="$WINEPREFIX/drive_c/users"
mkdir -p "$users/carol/AppData/Local/Microsoft/Windows" "$users/dave" "$users/erin"
head -c 12288 /dev/urandom >"$users/carol/NTUSER.DAT"
head -c 8192 /dev/urandom >"$users/carol/AppData/Local/Microsoft/Windows/UsrClass.dat"
head -c 4096 /dev/urandom >"$users/dave/NTUSER.DAT"
head -c 4096 /dev/urandom >"$users/erin/NTUSER.DAT"
before=$(md5sum "$users"/*/NTUSER.DAT "$users/carol/AppData/Local/Microsoft/Windows/UsrClass.dat")
plant "$carol" carol 0
plant "$dave" dave 2048
plant "$erin" erin 0 '\\server\profiles$\erin'

set +e
out=$(wine "$KELVARO_HIVE_TOOL" profiles --json 2>"$E2E_SHOTS/$name-profiles.err" | tr -d '\r')
status=${PIPESTATUS[0]}
text=$(wine "$KELVARO_HIVE_TOOL" profiles 2>/dev/null | tr -d '\r')
set -e
echo "$out" >"$E2E_SHOTS/$name-profiles.json"

check "$name: profiles exits 0" [ "$status" = 0 ]
check "$name: profiles --json is one JSON object" python3 -c 'import json,sys; json.loads(sys.argv[1])' "$out"
check "$name: carol is not signed in" [ "$(field "$carol" kind)" = "not signed in" ]
check "$name: carol would be compacted" [ "$(field "$carol" verdict)" = would-compact ]
check "$name: carol's NTUSER.DAT and its size" \
  [ "$(field "$carol" userHive path)|$(field "$carol" userHive size)" = 'C:\users\carol\NTUSER.DAT|12288' ]
check "$name: carol's UsrClass.dat and its size" [ "$(field "$carol" classesHive size)" = 8192 ]
check "$name: an account Wine cannot name is shown by its SID" \
  [ "$(field "$carol" user)|$(field "$carol" resolved)" = "$carol|false" ]
check "$name: dave's State makes him temporary, left alone" \
  [ "$(field "$dave" kind)|$(field "$dave" verdict)" = 'temporary|temporary' ]
check "$name: erin's CentralProfile makes her roaming, left alone" \
  [ "$(field "$erin" kind)|$(field "$erin" verdict)" = 'roaming|roaming' ]
check "$name: the text report says carol would be compacted" contains "$text" "$carol	$carol	not signed in	would compact"
set +e
analysis=$(wine "$KELVARO_HIVE_TOOL" analyze --profiles --json 2>/dev/null | tr -d '\r')
analysis_status=${PIPESTATUS[0]}
set -e
echo "$analysis" >"$E2E_SHOTS/$name-analyze-profiles.json"
carol_hive=$(python3 -c '
import json, sys
for hive in json.loads(sys.argv[1])["hives"]:
    if hive["name"] == "HKU\\" + sys.argv[2]: print(hive["verdict"])
' "$analysis" "$carol")
check "$name: analyze --profiles measures nothing (exit 1)" [ "$analysis_status" = 1 ]
check "$name: analyze --profiles says why carol's hive was not measured" \
  bash -c 'case "$1" in not-saved | refused | in-use) true ;; *) false ;; esac' _ "$carol_hive"
check "$name: analyze --profiles leaves no load under HKU, or names the one Windows kept" \
  bash -c '! wine reg query "HKU\\Kelvaro-$1" >/dev/null 2>&1 || grep -qF "did not unload" <<<"$2"' \
  _ "$carol" "$analysis"
# Wine gives the Kelvaro folder the analysis made the user as its owner, which
# a run refuses (see README): the run starts from none, as on a fresh machine.
rm -rf "$WINEPREFIX/drive_c/windows/Kelvaro"
set +e
swap=$(wine "$KELVARO_HIVE_TOOL" defragment --profiles --json 2>/dev/null | tr -d '\r')
swap_status=${PIPESTATUS[0]}
set -e
echo "$swap" >"$E2E_SHOTS/$name-defragment-profiles.json"
check "$name: defragment --profiles swaps nothing Wine saved as text (exit 1)" [ "$swap_status" = 1 ]
check "$name: defragment --profiles says carol's hive was not swapped" \
  bash -c 'grep -qF "\"name\":\"HKU\\\\$1\"" <<<"$2" && ! grep -qF "\"verdict\":\"swapped\"" <<<"$2"' \
  _ "$carol" "$swap"
check "$name: defragment --profiles leaves no profile file in a backup folder" \
  bash -c '[ -z "$(ls "$1/drive_c/windows/Kelvaro Backup"/Run-*/S-* 2>/dev/null)" ]' _ "$WINEPREFIX"
check "$name: no hive file changed" bash -c '[ "$1" = "$(md5sum "$2"/*/NTUSER.DAT "$2/carol/AppData/Local/Microsoft/Windows/UsrClass.dat")" ]' _ "$before" "$users"

# The main window: carol's rows are ticked and nothing else is, so Defragment
# announces no restart, swaps nothing Wine saved as text, names carol's hive
# with its reason, says no restart is needed, and stays.
rm -rf "$WINEPREFIX/drive_c/windows/Kelvaro" "$WINEPREFIX/drive_c/windows/Kelvaro Backup"
start_program
probe wait Kelvaro#1001 60 >/dev/null || true
probe click Kelvaro#1001 1001 >/dev/null
box=$(probe wait 'Kelvaro#65535' 30 || true)
check "$name: the window's confirmation announces no restart" contains "$box" "The computer will not be restarted."
probe click 'Kelvaro#65535' 1 >/dev/null
report=$(probe wait 'Kelvaro#65535' 60 || true)
screenshot "$name-window-profiles" || true
check "$name: the window says no hive of a user not signed in was compacted" \
  contains "$report" "No hive of a user who is not signed in could be compacted."
check "$name: the window names carol's hive with its reason" \
  bash -c 'grep -qE "HKU\\\\$1: (Windows could not save a compact copy|The compact copy failed the check|Another program holds the file)" <<<"$2"' \
  _ "$carol" "$report"
check "$name: the window says no restart is needed" contains "$report" "No restart is needed"
probe click 'Kelvaro#65535' 1 >/dev/null
check "$name: after the profiles' run the main window stays" bash -c '[ -n "$1" ]' _ "$(probe wait Kelvaro#1001 10)"
check "$name: still no hive file changed" bash -c '[ "$1" = "$(md5sum "$2"/*/NTUSER.DAT "$2/carol/AppData/Local/Microsoft/Windows/UsrClass.dat")" ]' _ "$before" "$users"
probe click Kelvaro#1001 2 >/dev/null
check "$name: the window ends on Cancel after the profiles' run" wait_program 30
finish
