#!/usr/bin/env bash
# Benchmark (not a test): how long a user waits, under Wine, from starting
# Kelvaro64.exe to its main window showing every row, drawn, beside two bare
# dialogs the benchmark builds with the same template and rows: one that only
# reads the lists (bare-hivelist.exe), one that also reads each hive value
# again and looks up each file's size as the window does (bare-hivelist.exe
# /lookups). Hive lists of 50 and 2,000 values, and 2,000 with 5,000 profiles
# nobody is signed in to (one NTUSER.DAT each). Medians of RUNS starts
# (default 5), the programs taking turns; the tear-down is not timed. Each
# figure is followed by its ratio to the first and to the second yardstick.
# KELVARO_BENCH_BEFORE=path/to/an/older/Kelvaro64.exe times that one too,
# where it lists no profile rows: without profiles only.
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
bare=$(winepath -w build/win64/bare-hivelist.exe 2>/dev/null)
programs=("$bare" "$bare /lookups" "$(winepath -w build/win64/Kelvaro64.exe 2>/dev/null)")
if [ -n "${KELVARO_BENCH_BEFORE:-}" ]; then
  cp "$KELVARO_BENCH_BEFORE" build/win64/Kelvaro64-before.exe
  programs+=("$(winepath -w build/win64/Kelvaro64-before.exe 2>/dev/null)")
fi
for scenario in 50 2000 2000+5000; do
  count=${scenario%%+*}
  profiles=0
  [ "$scenario" = "$count" ] || profiles=${scenario#*+}
  export WINEPREFIX
  WINEPREFIX=$(kelvaro_prefix win64 "bench-hivelist-$count-$profiles")
  # A server left by an interrupted run of this benchmark would refuse -p.
  wineserver -k >/dev/null 2>&1 || true
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
      list='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList'
      for i in $(seq 1 "$profiles"); do
        mkdir -p "$WINEPREFIX/drive_c/BenchProfiles/u$i"
        truncate -s 8192 "$WINEPREFIX/drive_c/BenchProfiles/u$i/NTUSER.DAT"
        printf '\r\n[%s\\S-1-5-21-1000-1000-1000-%d]\r\n' "$list" $((1000 + i))
        printf '"ProfileImagePath"="C:\\\\BenchProfiles\\\\u%d"\r\n"State"=dword:00000000\r\n' "$i"
      done
    } > "$regfile"
    wine regedit /S "$(winepath -w "$regfile" 2>/dev/null)" >/dev/null 2>&1
    rm -f "$regfile"
  fi
  timed=("${programs[@]}")
  [ "$profiles" = 0 ] || timed=("${programs[@]:0:3}")
  printf 'hives=%-10s ' "$scenario"
  wine build/win64/hivelist-bench.exe "$runs" $((count + profiles)) "${timed[@]}" 2>/dev/null |
    tr -d '\r'
  wineserver -k
done
