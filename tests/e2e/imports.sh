#!/usr/bin/env bash
# The programs stand alone: their import tables name only DLLs that ship with
# Windows. Each carries a version resource that Explorer and inventory tools read.
# Both are marked terminal-server aware (kelvaro-hive's live commands run elevated too).
set -euo pipefail
allowed='^(advapi32|comctl32|gdi32|kernel32|shell32|user32|ole32|oleaut32|msvcrt)\.dll$'
objdump=$(command -v x86_64-w64-mingw32-objdump)
failures=0
checks=0
shopt -s nocasematch
for exe in "$KELVARO_PROGRAM" "$KELVARO_HIVE_TOOL"; do
  mapfile -t dlls < <("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')
  for dll in "${dlls[@]}"; do
    if [[ "$dll" =~ $allowed ]]; then echo "ok: $(basename "$exe") imports $dll"; else echo "FAILED: $(basename "$exe") imports $dll"; failures=$((failures + 1)); fi
  done
  [ ${#dlls[@]} -gt 0 ] || { echo "FAILED: no import table read from $(basename "$exe")"; failures=$((failures + 1)); }
  checks=$(( checks + ${#dlls[@]} + 1 ))
done
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
for exe in "$KELVARO_PROGRAM" "$KELVARO_HIVE_TOOL"; do
  checks=$((checks + 1))
  characteristics=$("$objdump" -p "$exe" | sed -n 's/^DllCharacteristics\s*//p')
  if (( (16#${characteristics:-0} & 16#8000) != 0 )); then
    echo "ok: $(basename "$exe") is terminal-server aware"
  else
    echo "FAILED: $(basename "$exe") is not terminal-server aware (DllCharacteristics ${characteristics:-none})"
    failures=$((failures + 1))
  fi
done
echo "$(( checks - failures )) passed, $failures failed"
[ "$failures" -eq 0 ]
