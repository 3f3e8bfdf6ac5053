#!/usr/bin/env bash
# Counts the GoogleTest cases a ctest run passed, from the full test output
# ctest keeps (Testing/Temporary/LastTest.log): the sum of each program's
# "[  PASSED  ] N tests" line.
#   scripts/count-test-cases.sh LOG
set -euo pipefail
tr -d '\r' < "$1" | awk '/^\[  PASSED  \] [0-9]+ test/ { total += $4 } END { print total + 0 }'
