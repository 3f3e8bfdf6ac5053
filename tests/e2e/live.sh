#!/usr/bin/env bash
# kelvaro-hive's live commands under Wine, on the crafted hive list: "loaded"
# lists what the main window lists; Wine saves keys as text (or refuses the
# save), so "analyze" and "defragment" find every hive refused, schedule
# nothing and say so with exit code 1; "runs" finds no run on record,
# "results" answers "no run" (7) before any run is on record, a run while
# another Kelvaro program holds the run lock changes nothing and names it,
# and "restore" refuses backups no record names; the commands log where the
# folder passes its checks.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/crafted-hives.sh"

unix_path() { wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }

# tool ARGS...: runs kelvaro-hive; its output in $tool_out, its exit code in $tool_exit.
tool() {
  set +e
  tool_out=$(wine "$KELVARO_HIVE_TOOL" "$@" 2>"$E2E_SHOTS/$name-live.err" | tr -d '\r')
  tool_exit=${PIPESTATUS[0]}
  set -e
}

# The JSON report's hives as the main window's rows, sorted as the window sorts them.
as_window_rows() {  # as_window_rows THOUSANDS_SEPARATOR
  python3 -c '
import json, sys
report = json.load(sys.stdin)
for hive in sorted(report["hives"], key=lambda hive: hive["name"].upper()):
    size = "{:,}".format(hive["size"] // 1024).replace(",", sys.argv[1])
    ticked = 2 if hive["ticked"] else 1
    print("row|%d|%s|%s|%s KB" % (ticked, hive["name"], hive["file"], size))
' "$1"
}

# verdict_of NAME: the verdict the JSON report in $tool_out gives the hive.
verdict_of() {
  python3 -c '
import json, sys
for hive in json.load(sys.stdin)["hives"]:
    if hive["name"] == sys.argv[1]: print(hive["verdict"])
' "$1" <<<"$tool_out"
}

startup_value() { wine reg query "$runonce" /v Kelvaro $view 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }

# take_log: the log's text in $log_text, then Kelvaro's folders removed. Wine
# does not keep the owner it was asked to give a folder, so the folder a
# command made fails the owner check the next time (the fake Windows pins the
# check; here each command starts without the folder).
take_log() {
  log_text=$(tr -d '\r' <"$windows_dir/Kelvaro/kelvaro-hive.log" 2>/dev/null || true)
  rm -rf "$windows_dir/Kelvaro" "$windows_dir/Kelvaro Backup"
}

# check_log_refused COMMAND: the analysis and the run make the Kelvaro folder
# themselves, so under Wine the log's check of it fails (see take_log): the
# command must say so and write nothing there.
check_log_refused() {
  local err
  err=$(tr -d '\r' <"$E2E_SHOTS/$name-live.err")
  check "$name: $1 does not log into a folder that fails the checks, and says so" \
    bash -c '[ -z "$1" ] && grep -qF "was not written" <<<"$2"' _ "$log_text" "$err"
}

refused() {  # refused VERDICT: Wine's save is refused outright or its text copy fails the check
  [ "$1" = not-saved ] || [ "$1" = refused ]
}

prepare_prefix "e2e-live-$arch"
windows_dir=$(unix_path "$(probe folders | sed -n 's/^windows|//p')")

tool loaded --json
take_log
check "$name: loaded exits 0" [ "$tool_exit" = 0 ]
rows=$(as_window_rows , <<<"$tool_out" || true)
if [ "$rows" = "$(expected_rows ,)" ]; then
  check "$name: loaded --json lists the hives as the window does" true
else
  echo "--- got:"; echo "$rows"; echo "--- expected:"; expected_rows ,
  check "$name: loaded --json lists the hives as the window does" false
fi
check "$name: loaded would compact HKLM\\SOFTWARE" [ "$(verdict_of 'HKLM\SOFTWARE')" = would-compact ]
check "$name: loaded says HKLM\\MISSING has no file" [ "$(verdict_of 'HKLM\MISSING')" = no-file ]
check "$name: loaded leaves out the hive without a root" [ "$(verdict_of '')" = not-machine-or-users ]
check "$name: the log holds loaded" contains "$log_text" "kelvaro-hive loaded --json"

tool results --json
check "$name: results with no run on record exits 7" [ "$tool_exit" = 7 ]
check "$name: results --json says there is no run" contains "$tool_out" '"refusal":"no run"'

tool analyze --json
take_log
check "$name: analyze exits 1 (every hive refused)" [ "$tool_exit" = 1 ]
for hive in 'HKLM\SOFTWARE' 'HKLM\SYSTEM' 'HKLM\SAM' 'HKU\S-1-5-21-1000'; do
  verdict=$(verdict_of "$hive")
  check "$name: analyze refuses $hive (${verdict:-no verdict})" refused "$verdict"
done
check "$name: analyze leaves no copy behind" bash -c '[ ! -e "$1/Kelvaro/Run-1" ]' _ "$windows_dir"
check_log_refused analyze

tool defragment --no-restart --json
take_log
check "$name: defragment --no-restart exits 1 (nothing scheduled)" [ "$tool_exit" = 1 ]
check "$name: defragment reports exit code 1" contains "$tool_out" '"exitCode":1'
for hive in 'HKLM\SOFTWARE' 'HKLM\SYSTEM' 'HKLM\SAM' 'HKU\S-1-5-21-1000'; do
  verdict=$(verdict_of "$hive")
  check "$name: defragment refuses $hive (${verdict:-no verdict})" refused "$verdict"
done
check "$name: defragment leaves no start-up value" [ -z "$(startup_value)" ]
check "$name: the live hive files are untouched" bash -c '[ "$(stat -c %s "$1/SOFTWARE")" = 262144 ]' _ "$WINEPREFIX/drive_c/KelvaroHives"
check_log_refused defragment

tool runs --json
take_log
check "$name: runs on a prefix without records exits 0" [ "$tool_exit" = 0 ]
check "$name: runs --json answers an empty list" contains "$tool_out" '"runs":[]'

# Another Kelvaro program holds the machine-wide run lock: this one changes
# nothing and names it.
release="$WINEPREFIX/drive_c/kelvaro-release-lock"
rm -f "$release"
wine "$KELVARO_PROBE" holdmutex 'C:\kelvaro-release-lock' 'Global\Kelvaro.Run' \
  'Global\Kelvaro.Run.Kelvaro64.exe' >"$E2E_SHOTS/$name-holder.out" 2>/dev/null &
holder=$!
for _ in $(seq 300); do
  grep -q holding "$E2E_SHOTS/$name-holder.out" 2>/dev/null && break
  sleep 0.2
done
tool defragment --no-restart --json
touch "$release"
wait "$holder" || true
check "$name: a run while another Kelvaro program runs exits 2" [ "$tool_exit" = 2 ]
check "$name: it says another program is changing hives" contains "$tool_out" '"stopped":"another-run"'
check "$name: it names the program holding the run" contains "$tool_out" '(Kelvaro64.exe)'
check "$name: it leaves no start-up value" [ -z "$(startup_value)" ]
take_log

# Backups planted in the backup folder, loose and in a run's folder, with no
# record of any run: restore takes none of them and schedules nothing.
planted="$windows_dir/Kelvaro Backup"
mkdir -p "$planted/Run-1"
for leaf in SOFTWARE SAM; do
  cp "$WINEPREFIX/drive_c/KelvaroHives/$leaf" "$planted/$leaf"
  cp "$WINEPREFIX/drive_c/KelvaroHives/$leaf" "$planted/Run-1/$leaf"
done
tool restore --yes --no-restart
restore_err=$(tr -d '\r' <"$E2E_SHOTS/$name-live.err")
check "$name: restore without a record exits 1 (nothing scheduled)" [ "$tool_exit" = 1 ]
check "$name: restore says no run is on record" contains "$restore_err" "no run is on record"
check "$name: restore made no folder to stage a copy" bash -c '[ ! -e "$1/Kelvaro/Run-1" ]' _ "$windows_dir"
check "$name: restore leaves no start-up value" [ -z "$(startup_value)" ]
check "$name: the planted backups stay as they were" cmp -s "$planted/Run-1/SAM" "$WINEPREFIX/drive_c/KelvaroHives/SAM"
take_log

tool defragment 'HKLM\NOSUCHHIVE'
check "$name: an unknown hive is a usage error (87)" [ "$tool_exit" = 87 ]
finish
