# Helpers for the end-to-end tests: a prefix of ours, the program started in
# it, the probe, screenshots. Source it after setting KELVARO_* (CTest does).
set -euo pipefail
source "$KELVARO_ROOT/scripts/wine-env.sh"

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
