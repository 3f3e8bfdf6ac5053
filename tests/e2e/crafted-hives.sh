# The crafted hive list several end-to-end tests share: good values pointing
# at files created with chosen sizes, and every kind of bad value; and the rows
# the main window lists for it. Source it after lib.sh.

key=$hivelist

# reg_add NAME TYPE DATA: a value in the hive list.
reg_add() { wine reg add "$key" /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1; }

prepare_prefix() {  # prepare_prefix PREFIX_NAME
  fresh_prefix "$arch" "$1"
  local hives="$WINEPREFIX/drive_c/KelvaroHives"
  mkdir -p "$hives"
  truncate -s 262144 "$hives/SOFTWARE"        # 256 KB
  truncate -s 2097152 "$hives/SYSTEM"         # 2,048 KB
  truncate -s 1023 "$hives/SAM"               # 0 KB: rounded down
  truncate -s 9216 "$hives/NTUSER.DAT"        # 9 KB
  local device
  device=$(wine "$KELVARO_PROBE" dosdevice C: 2>/dev/null | tr -d '\r')
  [ -n "$device" ] || device='\Device\HarddiskVolume1'
  reg_add '\REGISTRY\MACHINE\SOFTWARE' REG_SZ "$device\\KelvaroHives\\SOFTWARE"
  reg_add '\REGISTRY\MACHINE\SYSTEM' REG_SZ "$device\\KelvaroHives\\SYSTEM"
  reg_add '\registry\machine\SAM' REG_SZ "$(tr 'A-Z' 'a-z' <<<"$device")\\KelvaroHives\\SAM"
  reg_add '\REGISTRY\USER\S-1-5-21-1000' REG_SZ "$device\\KelvaroHives\\NTUSER.DAT"
  reg_add '\REGISTRY\MACHINE\MISSING' REG_SZ "$device\\KelvaroHives\\NoSuchFile"
  reg_add '\REGISTRY\MACHINE\BCD00000000' REG_SZ '\Device\HarddiskVolume99\Boot\BCD'
  reg_add 'Elsewhere\NAME' REG_SZ "$device\\KelvaroHives\\SOFTWARE"
  reg_add '\REGISTRY\MACHINE\HARDWARE' REG_SZ ''
  reg_add '\REGISTRY\MACHINE\EXPANDED' REG_EXPAND_SZ "$device\\KelvaroHives\\SOFTWARE"
  reg_add '\REGISTRY\MACHINE\MULTI' REG_MULTI_SZ "$device\\KelvaroHives\\SOFTWARE"
  reg_add 'X' REG_SZ "$device\\KelvaroHives\\SOFTWARE"
}

expected_rows() {  # expected_rows THOUSANDS_SEPARATOR
  local sep=$1
  cat <<ROWS
row|2||C:\\KelvaroHives\\SOFTWARE|256 KB
row|1|HKLM\\BCD00000000|\\Device\\HarddiskVolume99\\Boot\\BCD|0 KB
row|1|HKLM\\MISSING|C:\\KelvaroHives\\NoSuchFile|0 KB
row|2|HKLM\\SAM|C:\\KelvaroHives\\SAM|0 KB
row|2|HKLM\\SOFTWARE|C:\\KelvaroHives\\SOFTWARE|256 KB
row|2|HKLM\\SYSTEM|C:\\KelvaroHives\\SYSTEM|2${sep}048 KB
row|2|HKU\\S-1-5-21-1000|C:\\KelvaroHives\\NTUSER.DAT|9 KB
ROWS
}
