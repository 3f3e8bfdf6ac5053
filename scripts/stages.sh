# Stage timing for the build-and-test scripts: `kelvaro_stage NAME` ends the
# stage at hand and starts NAME. On exit the table of stages and their seconds
# is printed; a failure's last line names the stage it stopped in.
# Source it; set KELVARO_STAGE_TABLE to a file to keep the table there too.

kelvaro_stage_names=()
kelvaro_stage_seconds=()
kelvaro_stage_current=
kelvaro_stage_start=$SECONDS

kelvaro_stage_close() {
  if [ -n "$kelvaro_stage_current" ]; then
    kelvaro_stage_names+=("$kelvaro_stage_current")
    kelvaro_stage_seconds+=($((SECONDS - kelvaro_stage_start)))
  fi
  kelvaro_stage_current=
}

kelvaro_stage() {
  kelvaro_stage_close
  kelvaro_stage_current=$1
  kelvaro_stage_start=$SECONDS
  echo "=== $1"
}

kelvaro_stage_table() {
  local i total=0
  echo "=== stages (seconds)"
  for i in "${!kelvaro_stage_names[@]}"; do
    printf '%6d  %s\n' "${kelvaro_stage_seconds[$i]}" "${kelvaro_stage_names[$i]}"
    total=$((total + kelvaro_stage_seconds[i]))
  done
  printf '%6d  %s\n' "$total" "total"
}

kelvaro_stage_exit() {
  local status=$1 failed=$kelvaro_stage_current
  kelvaro_stage_close
  if [ -n "${KELVARO_STAGE_TABLE:-}" ]; then
    kelvaro_stage_table > "$KELVARO_STAGE_TABLE"
  fi
  kelvaro_stage_table
  if [ "$status" -ne 0 ]; then echo "FAILED at ${failed:-start} (exit $status)"; fi
}
trap 'kelvaro_stage_exit $?' EXIT
