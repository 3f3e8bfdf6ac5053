#!/usr/bin/env bash
# The main window lists exactly the hives of the prefix's hive list: good values
# pointing at files we create with chosen sizes, and every kind of bad value.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/crafted-hives.sh"

check_rows() {  # check_rows LABEL SEPARATOR
  local label=$1 sep=$2
  start_program
  local listing rows
  listing=$(probe wait Kelvaro 60 || true)
  check "$name ($label) opens the main window" contains "$listing" "window|#32770|Kelvaro|"
  rows=$(probe rows Kelvaro 1000)
  if [ "$rows" = "$(expected_rows "$sep")" ]; then
    check "$name ($label) lists exactly the expected rows" true
  else
    echo "--- got:"; echo "$rows"; echo "--- expected:"; expected_rows "$sep"
    check "$name ($label) lists exactly the expected rows" false
  fi
  check "$name ($label) enables Defragment" contains "$listing" "control|1001|Button|&Defragment|enabled"
  screenshot "$name-hivelist-$label" || true
  if [ "$label" = english ]; then
    probe syscommand Kelvaro#1001 16 >/dev/null
    local about
    about=$(probe wait "About Kelvaro" 30 || true)
    check "$name: the system menu opens the About box" contains "$about" "Kelvaro 1.1"
    screenshot "$name-about" || true
    probe click "About Kelvaro" 1 >/dev/null
    probe gone "About Kelvaro" 30 >/dev/null || true
  fi
  probe click Kelvaro 2 >/dev/null || true
  check "$name ($label) ends on Cancel" wait_program 30
}

prepare_prefix "e2e-hives-$arch"
check_rows english ,
wineserver -k 2>/dev/null || true

export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
prepare_prefix "e2e-hives-de-$arch"
check_rows german .
finish
