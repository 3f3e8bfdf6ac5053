#!/usr/bin/env bash
# The programs stand alone: their import tables name only DLLs that ship with
# Windows. Each carries a version resource that Explorer and inventory tools read.
# The program is marked terminal-server aware.
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
checks=$(( ${#dlls[@]} + 1 ))
version=$(sed -n 's/^#define KELVARO_VERSION_TEXT "\(.*\)"$/\1/p' "$KELVARO_ROOT/ui/res/Version.h")
for exe in "$KELVARO_PROGRAM" "$KELVARO_HIVE_TOOL"; do
  checks=$((checks + 1))
  texts=$(strings -el "$exe")
  if grep -qx "FileVersion" <<<"$texts" && grep -qx "$version" <<<"$texts" &&
     grep -qx "$(basename "$exe")" <<<"$texts"; then
    echo "ok: $(basename "$exe") carries version $version"
  else
    echo "FAILED: $(basename "$exe") has no version resource for $version"; failures=$((failures + 1))
  fi
done
# Terminal-server aware: otherwise a session host answers GetWindowsDirectoryW
# with a per-user folder the user can write.
characteristics=$("$objdump" -p "$KELVARO_PROGRAM" | sed -n 's/^DllCharacteristics\s*//p')
if (( (16#${characteristics:-0} & 16#8000) != 0 )); then
  echo "ok: terminal-server aware"
else
  echo "FAILED: not terminal-server aware (DllCharacteristics ${characteristics:-none})"
  failures=$((failures + 1))
fi
echo "$(( checks - failures )) passed, $failures failed"
[ "$failures" -eq 0 ]
