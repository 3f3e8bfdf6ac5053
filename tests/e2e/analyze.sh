#!/usr/bin/env bash
# Analyze under Wine: Wine's saves are its own text format, not hive files, so
# every ticked hive names in the Compact Size column, in a few words, why its
# copy was refused, no total is given, and nothing is left behind: no copy, no
# start-up value, the live files untouched. Saves a screenshot of the analysed window.
source "$(dirname "$0")/lib.sh"

unix_path() { wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }

fresh_prefix "$arch" "e2e-analyze-$arch"
hives="$WINEPREFIX/drive_c/KelvaroHives"
mkdir -p "$hives"
truncate -s 1048576 "$hives/SOFTWARE"
truncate -s 262144 "$hives/DEFAULT"
device=$(probe dosdevice C:)
wine reg add "$hivelist" /v '\REGISTRY\MACHINE\SOFTWARE' /t REG_SZ /d "$device\\KelvaroHives\\SOFTWARE" /f >/dev/null 2>&1
wine reg add "$hivelist" /v '\REGISTRY\USER\.DEFAULT' /t REG_SZ /d "$device\\KelvaroHives\\DEFAULT" /f >/dev/null 2>&1
windows_dir=$(unix_path "$(probe folders | sed -n 's/^windows|//p')")

start_program
listing=$(probe wait Kelvaro#1006 60 || true)
check "$name shows Analyze enabled" contains "$listing" "control|1006|Button|&Analyze|enabled"
rows=$(probe rows Kelvaro#1006 1000 4)
check "$name: Compact Size is empty before the analysis" bash -c '[ -n "$1" ] && ! grep -qv "|$" <<<"$1"' _ "$rows"

probe click Kelvaro#1006 1006 >/dev/null
# Both rows carry a verdict once the run is over (Analyze is enabled again).
deadline=$((SECONDS + 60))
while :; do
  rows=$(probe rows Kelvaro#1006 1000 4)
  listing=$(probe wait Kelvaro#1006 5 || true)
  if contains "$listing" "control|1006|Button|&Analyze|enabled" &&
     [ "$(grep -c '|Check failed$\||Not saved$' <<<"$rows")" = 2 ]; then
    break
  fi
  [ $SECONDS -lt $deadline ] || break
  sleep 0.5
done
screenshot "$name-analyzed" || true
refused() {  # refused HIVE: its row's last column names why the copy was refused
  grep -q "|$1|.*|\(Check failed\|Not saved\)$" <<<"$rows"
}
check "$name: HKLM\\SOFTWARE shows its refusal in Compact Size" refused 'HKLM\\SOFTWARE'
check "$name: HKU\\.DEFAULT shows its refusal in Compact Size" refused 'HKU\\\.DEFAULT'
check "$name: no total under the list when nothing was sized" bash -c '! grep -q "^control|1007|Static|[^|]" <<<"$1"' _ "$listing"
check "$name: the window stays after the analysis" bash -c '[ -n "$1" ]' _ "$(probe wait Kelvaro#1006 5)"
check "$name: no start-up value" bash -c '[ -z "$1" ]' _ "$(wine reg query "$runonce" /v Kelvaro $view 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')"
check "$name: the analysis leaves no run folder" bash -c '[ ! -e "$1/Kelvaro/Run-1" ]' _ "$windows_dir"
check "$name: the live hive files are untouched" bash -c '[ "$(stat -c %s "$1/SOFTWARE")" = 1048576 ] && [ "$(stat -c %s "$1/DEFAULT")" = 262144 ]' _ "$hives"
probe click Kelvaro#1006 2 >/dev/null
check "$name ends on Cancel after the analysis" wait_program 30
finish
