#!/usr/bin/env bash
# The program stands alone: its import table names only DLLs that ship with
# Windows; and it is marked terminal-server aware.
set -euo pipefail
allowed='^(advapi32|comctl32|gdi32|kernel32|shell32|user32|ole32|msvcrt)\.dll$'
objdump=$(command -v x86_64-w64-mingw32-objdump)
mapfile -t dlls < <("$objdump" -p "$KELVARO_PROGRAM" | sed -n 's/^\s*DLL Name: //p')
failures=0
shopt -s nocasematch
for dll in "${dlls[@]}"; do
  if [[ "$dll" =~ $allowed ]]; then echo "ok: imports $dll"; else echo "FAILED: imports $dll"; failures=$((failures + 1)); fi
done
[ ${#dlls[@]} -gt 0 ] || { echo "FAILED: no import table read"; failures=1; }
# Terminal-server aware: otherwise a session host answers GetWindowsDirectoryW
# with a per-user folder the user can write.
characteristics=$("$objdump" -p "$KELVARO_PROGRAM" | sed -n 's/^DllCharacteristics\s*//p')
checks=$(( ${#dlls[@]} + 1 ))
if (( (16#${characteristics:-0} & 16#8000) != 0 )); then
  echo "ok: terminal-server aware"
else
  echo "FAILED: not terminal-server aware (DllCharacteristics ${characteristics:-none})"
  failures=$((failures + 1))
fi
echo "$(( checks - failures )) passed, $failures failed"
[ "$failures" -eq 0 ]
