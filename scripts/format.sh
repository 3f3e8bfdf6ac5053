#!/usr/bin/env bash
# Applies .clang-format to every C++ file of the tree; with --check, changes
# nothing and lists the files that are not formatted (exit 1 when any).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  bad=0
  for f in "${files[@]}"; do
    if ! clang-format --style=file "$f" | cmp -s - "$f"; then echo "not formatted: $f"; bad=1; fi
  done
  exit $bad
fi
clang-format --style=file -i "${files[@]}"
