#!/usr/bin/env bash
# wine-run-dpi.sh DPI EXE ARGS...: runs a Windows executable as wine-run.sh
# does, in a prefix of its own whose screen is set to DPI dots per inch (its
# LogPixels), so the untouched prefixes stay at 96.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
dpi=$1
exe=$2
shift 2
arch=$(kelvaro_arch_of "$exe")
name="$arch-dpi$dpi"
prefix=$(kelvaro_prefix "$arch" "$name")
(
  flock 9
  if [ ! -f "$prefix/.kelvaro-dpi-$dpi" ]; then
    export WINEPREFIX="$prefix"
    # The per-user value wins over the machine's; both are set so either reading holds.
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 9>&-
    wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
      /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 9>&-
    wineserver -w 9>&-
    touch "$prefix/.kelvaro-dpi-$dpi"
  fi
) 9>"$KELVARO_WINE_ROOT/.lock-$name-settings"
KELVARO_PREFIX_NAME="$name" exec "$(dirname "$0")/wine-run.sh" "$exe" "$@"
