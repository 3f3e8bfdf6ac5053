#!/usr/bin/env bash
# Start-up under Wine: the 64-bit refusal of the x86 build, and the mode each
# command line selects, checked by the windows' texts.
source "$(dirname "$0")/lib.sh"

program_arch=$(kelvaro_arch_of "$KELVARO_PROGRAM")
name=$(basename "$KELVARO_PROGRAM" .exe)

refusal="This version will not run on 64-bit Windows.  Please use the 64-bit version of Kelvaro."

# expect_mode PREFIX_ARCH TITLE CONTROL_TEXT CLOSE_ID ARGS...
expect_mode() {
  local arch=$1 title=$2 control=$3 close_id=$4
  shift 4
  use_prefix "$arch" "e2e-$arch"
  start_program "$@"
  local listing
  listing=$(probe wait "$title" 60 || true)
  check "$name $* in a $arch prefix shows \"$title\"" contains "$listing" "window|#32770|$title|"
  check "$name $* shows control \"$control\"" contains "$listing" "$control"
  local label
  label=$(printf '%s' "${*:-normal}" | tr -c 'A-Za-z0-9' '_')
  if [ -n "$listing" ]; then screenshot "$name-$arch-$label" || true; fi
  probe click "$title" "$close_id" >/dev/null || true
  check "$name $* ends when its window closes" wait_program 30
}

if [ "$program_arch" = win32 ]; then
  # x86 build on a 64-bit Windows: the refusal, and no window. A prefix of its
  # own: the x64 build's tests may run in theirs at the same time.
  use_prefix win64 e2e-refusal-win64
  start_program
  listing=$(probe wait Kelvaro 60 || true)
  check "$name in a 64-bit prefix shows string 110" contains "$listing" "|$refusal|"
  check "$name in a 64-bit prefix shows no main window" bash -c "! grep -qF '&Defragment' <<<\"\$0\"" "$listing"
  screenshot "$name-refusal"
  probe click Kelvaro 1 >/dev/null || true
  check "$name ends after the refusal" wait_program 30
  wineserver -k 2>/dev/null || true
  mode_arch=win32
else
  mode_arch=win64
fi

expect_mode $mode_arch Kelvaro "control|1001|Button|&Defragment" 2
expect_mode $mode_arch "Kelvaro Results" "control|1003|Button|&Delete Backup" 1 /results
expect_mode $mode_arch "Kelvaro Results" "control|1003|Button|&Delete Backup" 1 -RESULTS
expect_mode $mode_arch Kelvaro "control|1001|Button|&Defragment" 2 /results x
finish
