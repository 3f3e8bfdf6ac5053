#!/usr/bin/env bash
# Lists the GoogleTest cases a ctest run skipped, with their reasons, from the
# full test output ctest keeps (Testing/Temporary/LastTest.log).
#   scripts/skipped-tests.sh LABEL LOG
set -euo pipefail
label=$1
log=$2
tr -d '\r' < "$log" | awk -v label="$label" '
  /^\[ RUN      \] / { name = $4; reason = ""; collecting = 0; next }
  /: Skipped$/ { collecting = 1; next }
  /^\[  SKIPPED \] / {
    if ($4 == name) { lines[++count] = "  " name ": " (reason == "" ? "(no reason given)" : reason) }
    name = ""; collecting = 0; next
  }
  collecting && NF { reason = reason (reason == "" ? "" : " ") $0 }
  END {
    printf "%s: %d skipped tests\n", label, count
    for (i = 1; i <= count; ++i) print lines[i]
  }'
