# Helpers for the end-to-end tests: a prefix of ours, the program started in
# it, the probe, screenshots. Source it after setting KELVARO_* (CTest does).
set -euo pipefail
source "$KELVARO_ROOT/scripts/wine-env.sh"

# The program under test, and the registry places the tests look at (in the
# program's own registry view: a 64-bit program's view needs /reg:64 in `reg`).
arch=$(kelvaro_arch_of "$KELVARO_PROGRAM")
name=$(basename "$KELVARO_PROGRAM" .exe)
view=""
if [ "$arch" = win64 ]; then view="/reg:64"; fi
hivelist='HKLM\System\CurrentControlSet\Control\hivelist'
runonce='HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce'

E2E_SHOTS="$KELVARO_BUILD/e2e-screens"
mkdir -p "$E2E_SHOTS"
failures=0
checks=0

# use_prefix ARCH NAME: switch to (and create, if needed) the prefix, with a
# wineserver kept alive for the length of the test.
use_prefix() {
  kelvaro_ensure_display
  export WINEPREFIX
  WINEPREFIX=$(kelvaro_prefix "$1" "$2")
  wineserver -p 60 2>/dev/null || true
}

# fresh_prefix ARCH NAME: as use_prefix, but a new prefix even if one is left
# from an earlier run (for tests that change the prefix's files or registry).
fresh_prefix() {
  WINEPREFIX="$KELVARO_WINE_ROOT/prefix-$2" wineserver -k 2>/dev/null || true
  rm -rf "$KELVARO_WINE_ROOT/prefix-$2"
  use_prefix "$1" "$2"
}

# start_program ARGS...: starts the program under test in the background.
start_program() {
  wine "$KELVARO_PROGRAM" "$@" >"$E2E_SHOTS/program.log" 2>&1 &
  PROGRAM_PID=$!
}

probe() { wine "$KELVARO_PROBE" "$@" 2>/dev/null | tr -d '\r'; }

# wait_program SECONDS: the program must end in time.
wait_program() {
  local deadline=$((SECONDS + $1))
  while kill -0 "$PROGRAM_PID" 2>/dev/null; do
    if [ $SECONDS -ge $deadline ]; then
      kill "$PROGRAM_PID" 2>/dev/null || true
      return 1
    fi
    sleep 0.2
  done
  wait "$PROGRAM_PID" 2>/dev/null || true
  return 0
}

check() {  # check DESCRIPTION COMMAND...
  local description=$1
  shift
  checks=$((checks + 1))
  if "$@"; then
    echo "ok: $description"
  else
    echo "FAILED: $description"
    failures=$((failures + 1))
  fi
}

contains() { grep -qF -- "$2" <<<"$1"; }

screenshot() { import -window root "$E2E_SHOTS/$1.png" 2>/dev/null && echo "screenshot: $E2E_SHOTS/$1.png"; }

finish() {
  wineserver -k 2>/dev/null || true
  echo "$((checks - failures)) passed, $failures failed"
  [ "$failures" -eq 0 ]
}
