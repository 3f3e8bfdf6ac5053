#!/usr/bin/env bash
# kelvaro-hive.exe offline on an installation laid out by make-offline-tree:
# the dry run changes nothing, the run compacts every hive and keeps the old
# files, a second run finds nothing to gain, and restore brings back the exact
# bytes. The Windows build's file handling, under Wine, on a small tree.
source "$(dirname "$0")/lib.sh"
# One prefix per architecture: the x86 build makes a 32-bit one, where a 64-bit program cannot run.
arch=$(kelvaro_arch_of "$KELVARO_HIVE_TOOL")
use_prefix "$arch" "e2e-offline-$arch"

work="$KELVARO_BUILD/e2e-offline"
rm -rf "$work"
mkdir -p "$work"
cd "$work"
tool() { wine "$KELVARO_HIVE_TOOL" "$@" 2>"$work/tool.err" | tr -d '\r'; }
# The installation's own files with their hashes (the run's backup folder aside).
hashes() { (cd volume && find . -type f -not -path './Windows/Kelvaro Backup/*' -print0 | sort -z |
  xargs -0 sha256sum); }
equals() { [ "$1" = "$2" ]; }

wine "$KELVARO_MAKE_OFFLINE_TREE" volume >/dev/null 2>&1
original=$(hashes)
check "make-offline-tree.exe lays out the installation" contains "$original" \
  "./Windows/System32/config/SOFTWARE"

out=$(tool offline volume --dry-run) && code=0 || code=$?
check "the dry run ends with 0 (got $code)" equals "$code" 0
check "the dry run gives the sizes" contains "$out" "(dry run)"
check "the dry run changes nothing" equals "$(hashes)" "$original"

out=$(tool offline volume --yes --json) && code=0 || code=$?
echo "$out"
check "the run ends with 0 (got $code)" equals "$code" 0
compacted=$(grep -o '"result": *"compacted"' <<<"$out" | wc -l)
check "the run compacts the nine hives (got $compacted)" equals "$compacted" 9
before=$(grep -o '"totalBefore": *[0-9]*' <<<"$out" | grep -o '[0-9]*$' || echo 0)
after=$(grep -o '"totalAfter": *[0-9]*' <<<"$out" | grep -o '[0-9]*$' || echo 0)
check "the hives shrink ($before -> $after bytes)" test "$after" -lt "$before"
check "the old files are kept" test -f "volume/Windows/Kelvaro Backup/offline-1/1/COMPONENTS"
tool check volume/Windows/System32/config/SYSTEM >/dev/null && code=0 || code=$?
check "the compacted SYSTEM checks as sound (exit $code)" equals "$code" 0

out=$(tool offline volume --yes) && code=0 || code=$?
check "a second run ends with 0 (got $code)" equals "$code" 0
check "a second run finds nothing to gain" contains "$out" "saved 0 "

out=$(tool restore --offline volume) && code=0 || code=$?
echo "$out"
check "restore ends with 0 (got $code)" equals "$code" 0
check "restore brings back the exact bytes" equals "$(hashes)" "$original"
finish
