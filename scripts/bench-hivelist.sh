#!/usr/bin/env bash
# Benchmark (not a test): how long a user waits, under Wine, from starting
# Kelvaro64.exe to its main window showing every hive of a hive list of 10, 50
# and 2,000 values, beside a bare dialog built by the benchmark that shows the
# same template and rows (bare-hivelist.exe). Medians of RUNS starts (default 5);
# the tear-down of each window is not timed.
#   scripts/bench-hivelist.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
bash scripts/setup.sh >/dev/null
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j 2 \
  --target kelvaro_program kelvaro_probe kelvaro_bare_hivelist kelvaro_hivelist_bench >/dev/null
source scripts/wine-env.sh
kelvaro_ensure_display
for count in 10 50 2000; do
  export WINEPREFIX
  WINEPREFIX=$(kelvaro_prefix win64 "bench-hivelist-$count")
  wineserver -p 600
  folder="$WINEPREFIX/drive_c/BenchHives"
  if [ ! -d "$folder" ]; then
    mkdir -p "$folder"
    # Wine numbers the volume of C: itself: read it rather than assume it.
    device=$(wine build/win64/probe.exe dosdevice C: 2>/dev/null | tr -d '\r' | sed 's/\\/\\\\/g')
    regfile=$(mktemp --suffix=.reg)
    {
      printf 'Windows Registry Editor Version 5.00\r\n\r\n'
      printf '[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\hivelist]\r\n'
      for i in $(seq 1 "$count"); do
        truncate -s $((4096 * i)) "$folder/HIVE$i"
        printf '"\\\\REGISTRY\\\\MACHINE\\\\HIVE%d"="%s\\\\BenchHives\\\\HIVE%d"\r\n' "$i" "$device" "$i"
      done
    } > "$regfile"
    wine regedit /S "$(winepath -w "$regfile" 2>/dev/null)" >/dev/null 2>&1
    rm -f "$regfile"
  fi
  printf 'hives=%-5s ' "$count"
  wine build/win64/hivelist-bench.exe "$runs" "$count" \
    "$(winepath -w build/win64/bare-hivelist.exe 2>/dev/null)" \
    "$(winepath -w build/win64/Kelvaro64.exe 2>/dev/null)" 2>/dev/null | tr -d '\r'
  wineserver -k
done
