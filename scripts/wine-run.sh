#!/usr/bin/env bash
# Runs a Windows executable under Wine in a prefix of ours that matches its
# architecture (a 32-bit prefix for x86, a 64-bit one for x64). CTest uses it as
# the cross builds' emulator.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
exe=$1
shift
arch=$(kelvaro_arch_of "$exe")
prefix=$(kelvaro_prefix "$arch" "${KELVARO_PREFIX_NAME:-$arch}")
kelvaro_ensure_display
export WINEPREFIX="$prefix"
exec wine "$exe" "$@"
