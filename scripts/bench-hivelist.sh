#!/usr/bin/env bash
# Benchmark (not a test): how long the main window takes to fill its list with
# 50 and with 2,000 hive-list values under Wine, beside a minimal program that
# only reads the hive list and the file sizes, in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j 2 --target kelvaro_hivelist_bench >/dev/null
source scripts/wine-env.sh
kelvaro_ensure_display
for count in 50 2000; do
  export WINEPREFIX
  WINEPREFIX=$(kelvaro_prefix win64 "bench-hivelist-$count")
  wineserver -p 60
  folder="$WINEPREFIX/drive_c/BenchHives"
  if [ ! -d "$folder" ]; then
    mkdir -p "$folder"
    regfile=$(mktemp --suffix=.reg)
    {
      printf 'Windows Registry Editor Version 5.00\r\n\r\n'
      printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\hivelist]\r\n'
      for i in $(seq 1 "$count"); do
        truncate -s $((4096 * i)) "$folder/HIVE$i"
        printf '"\\\\REGISTRY\\\\MACHINE\\\\HIVE%d"="\\\\Device\\\\HarddiskVolume1\\\\BenchHives\\\\HIVE%d"\r\n' "$i" "$i"
      done
    } > "$regfile"
    wine regedit /S "$(winepath -w "$regfile" 2>/dev/null)" >/dev/null 2>&1
    rm -f "$regfile"
  fi
  printf 'values=%-5s ' "$count"
  wine build/win64/hivelist-bench.exe 5 2>/dev/null | tr -d '\r'
  wineserver -k
done
