#!/usr/bin/env bash
# The device and registry routines against the real Windows calls under Wine:
# devices_check.exe (the program's code with the Win32 backend) in a fresh
# Wine prefix, results read back with reg.exe and from the prefix's drive_c.
#
#   tests/wine/devices_run.sh BUILD_DIR        e.g. build/windows
#
# Where this Wine runs 64-bit programs only, the x86-64 build in
# BUILD_DIR/wine-x64 is tested (built here when tests/wine/run.sh has not).
# Prints one PASS or FAIL line per case, NOTE lines for what Wine does not
# carry out, "N passed, N failed" last; exits non-zero when a case failed and
# prints SKIP and exits 0 when Wine, Xvfb or MinGW-w64 are missing.
set -uo pipefail
export LC_ALL=C

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
step_timeout=30

skip() {
  echo "SKIP: $*"
  exit 0
}

wine_cmd=""
for candidate in wine wine64 /usr/lib/wine/wine64; do
  if command -v "$candidate" >/dev/null 2>&1 && timeout 30 "$candidate" --version >/dev/null 2>&1; then
    wine_cmd=$(command -v "$candidate")
    break
  fi
done
[ -n "$wine_cmd" ] || skip "Wine is not installed (or cannot start); the device and registry checks did not run"
command -v Xvfb >/dev/null 2>&1 || skip "Xvfb is not installed; the device and registry checks did not run"
wineserver_cmd=$(command -v wineserver || echo /usr/lib/wine/wineserver)
if [ ! -f "$build/devices_check.exe" ] || [ ! -f "$build/clicker.exe" ]; then
  command -v i686-w64-mingw32-g++-win32 >/dev/null 2>&1 ||
    skip "MinGW-w64 is not installed, so there is no devices_check.exe to test under Wine"
  echo "error: $build lacks devices_check.exe or clicker.exe: build the windows preset first" >&2
  exit 2
fi

work=$(mktemp -d /tmp/setup-devices-wine.XXXXXX)
export WINEPREFIX=$work/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""
cleanup() {
  timeout 30 "$wineserver_cmd" -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "error: Xvfb did not start" >&2; exit 2; }
export DISPLAY=":$(head -n1 "$work/display")"

exe_dir=$build
if ! timeout 60 "$wine_cmd" "$build/clicker.exe" --version 2>/dev/null | grep -q '^clicker'; then
  wine64_cmd=$(command -v wine64 || echo /usr/lib/wine/wine64)
  if ! command -v x86_64-w64-mingw32-g++-win32 >/dev/null 2>&1 || [ ! -x "$wine64_cmd" ]; then
    skip "this Wine cannot run 32-bit programs, and no 64-bit Wine and MinGW-w64 are there to test a 64-bit build"
  fi
  echo "NOTE: this Wine cannot run 32-bit programs (no 32-bit support on this host);"
  echo "NOTE: testing the same sources built for x86-64 in $build/wine-x64 instead"
  exe_dir=$build/wine-x64
  if ! { cmake -S "$src" -B "$exe_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake" \
           -DCMAKE_BUILD_TYPE=MinSizeRel >"$work/x64-configure.log" 2>&1 &&
         cmake --build "$exe_dir" -j2 --target devices_check clicker >"$work/x64-build.log" 2>&1; }; then
    echo "error: the x86-64 build of devices_check failed" >&2
    tail -30 "$work/x64-configure.log" "$work/x64-build.log" >&2
    exit 2
  fi
  wine_cmd=$wine64_cmd
fi

if ! timeout 180 "$wine_cmd" wineboot -i >"$work/wineboot.log" 2>&1; then
  echo "error: wineboot failed" >&2
  tail -20 "$work/wineboot.log" >&2
  exit 2
fi
timeout 30 "$wineserver_cmd" -w >/dev/null 2>&1 || true

# The 32-bit program sees HKLM\SOFTWARE through its own view.
software_view=()
[ "$exe_dir" = "$build" ] && software_view=(/reg:32)
drive_c=$WINEPREFIX/drive_c
inf_dir=$drive_c/windows/inf
check=$exe_dir/devices_check.exe

out=""
run() {  # run ARGUMENTS...: devices_check's lines in $out
  out=$(timeout -k 5 "$step_timeout" "$wine_cmd" "$check" "$@" 2>/dev/null | tr -d '\r')
}
reg() {  # reg ARGUMENTS...: Wine's reg.exe, quietly
  timeout "$step_timeout" "$wine_cmd" reg "$@" 2>/dev/null | tr -d '\r'
}
reg_value() {  # reg_value KEY NAME [VIEW]: "TYPE DATA", empty when missing
  reg query "$1" /v "$2" "${@:3}" | awk -v name="$2" '
    { line = $0; sub(/^ +/, "", line) }
    index(line, name "    ") == 1 { rest = substr(line, length(name) + 5); sub(/    /, " ", rest); print rest; exit }'
}
key_exists() {  # key_exists KEY
  reg query "$1" >/dev/null
}

passed=0
failed=0
problems=()
transcript=""
problem() { problems+=("$*"); }
expect_line() {  # expect_line PATTERN DESCRIPTION: a line of $out matches the extended regex
  grep -Eq -- "$1" <<<"$out" || problem "$2"
}
expect_equal() {  # expect_equal ACTUAL EXPECTED DESCRIPTION
  [ "$1" = "$2" ] || problem "$3: expected '$2', found '$1'"
}
keep() { transcript+="$out"$'\n'; }
report() {
  if [ ${#problems[@]} -eq 0 ]; then
    echo "PASS $1"
    passed=$((passed + 1))
  else
    echo "FAIL $1"
    for p in "${problems[@]}"; do echo "    $p"; done
    sed 's/^/      /' <<<"$transcript"
    failed=$((failed + 1))
  fi
  problems=()
  transcript=""
}

# Wine's virtual HID devices (vendor 845E) are found by their hardware-ID text
# in the interface path, and by the vendor and product IDs they report.
case_hid() {
  run hid-list
  keep
  local line path vid pid count=0
  while IFS= read -r line; do
    [[ $line =~ ^HID\ path=([^ ]+)\ open=1\ vendor=([0-9A-F]{4})\ product=([0-9A-F]{4})$ ]] || continue
    path=${BASH_REMATCH[1]} vid=${BASH_REMATCH[2]} pid=${BASH_REMATCH[3]}
    count=$((count + 1))
    run hid-path "VID_${vid}&PID_${pid}"
    keep
    expect_line "^FOUND path=$(sed 's/[][\\.*^$?+(){}|]/\\&/g' <<<"$path")\$" "FindHidDevicePath VID_${vid}&PID_${pid}"
    run hid-mapper "$vid" "$pid"
    keep
    expect_line "^TRACE Found HID mapper at =" "FindHidMapper traces its find"
    expect_line "^MAPPER path=$(sed 's/[][\\.*^$?+(){}|]/\\&/g' <<<"$path")\$" "FindHidMapper $vid $pid"
  done <<<"$out"
  [ "$count" -ge 1 ] || problem "no HID device that opens and reports its IDs"
  run hid-path "VID_0D7A&PID_0306"
  keep
  expect_line '^FOUND path=$' "no controller, no path"
  run hid-mapper 0 0
  keep
  expect_line '^MAPPER path=$' "no HID mapper"
  report hid-discovery
}

# A root-enumerated device registered through the Setup API is removed by a
# hardware-ID text that holds part of its ID in another letter case.
case_root_device() {
  local id='{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\TOUCH_CHECK'
  run create-root "$id"
  keep
  expect_line '^CREATED instance=ROOT\\' "device created"
  run create-root "$id"
  keep
  run count "$id"
  keep
  expect_line '^COUNT n=2$' "two devices with the ID"
  run remove '{5b2e7c19-3a44-4f0d-9e61-c7a20b8d43f6}\touch_c'
  keep
  run count "$id"
  keep
  expect_line '^COUNT n=0$' "both removed"
  report root-device-removal
}

plant_inf() {  # plant_inf NAME MODEL_LINES
  printf '[Version]\r\nSignature="$Windows NT$"\r\n[QZMfg]\r\n%s' "$2" >"$inf_dir/$1"
  printf 'PNF' >"$inf_dir/${1%.*}.pnf"
}

# OEM INF copies of the touch driver: Windows' own removal (forced), then the
# direct deletion, hidden read-only copies and numbers from 100 included.
case_oem_infs() {
  plant_inf oem7.inf $'%QZUSB_1% = I, USB\\VID_0D7A&PID_0306\r\n'
  plant_inf oem100.inf $'%QZUSB_3% = I, usb\\vid_0d7a&pid_0300\r\n'
  plant_inf oem8.inf $'%QZUSB_6% = I, USB\\VID_0D7A&PID_0306\r\n'
  plant_inf oem12.inf $'%QZ232_2% = I, serenum\\qvr0002\r\n'
  timeout "$step_timeout" "$wine_cmd" attrib +h +r 'C:\windows\inf\oem7.inf' >/dev/null 2>&1
  run oem usb vista
  keep
  expect_line '^TRACE Scan OEM USB$' "entry trace"
  [ "$(grep -c '^TRACE Try to load UninstallOem$' <<<"$out")" -eq 2 ] || problem "Windows' removal asked for both copies"
  expect_line '^TRACE UninstallOem (OK!|failed=[0-9]+)$' "Windows' removal traced"
  local name
  for name in oem7.inf oem7.pnf oem100.inf oem100.pnf; do
    [ ! -e "$inf_dir/$name" ] || problem "$name still there"
  done
  [ -e "$inf_dir/oem8.inf" ] || problem "oem8.inf (model key 6 only) removed"
  [ -e "$inf_dir/oem12.inf" ] || problem "oem12.inf (RS-232) removed by the USB scan"
  run oem serial xp
  keep
  grep -q 'Try to load' <<<"$out" && problem "Windows' removal asked for on XP"
  [ ! -e "$inf_dir/oem12.inf" ] && [ ! -e "$inf_dir/oem12.pnf" ] || problem "oem12 not deleted directly"
  report oem-inf-removal
}

# The driver and device settings, read back with reg.exe.
case_registry_settings() {
  local instance='HKLM\SYSTEM\CurrentControlSet\Enum\USB\VID_0D7A&PID_0306\5&1&0&1'
  reg add "$instance\\Device Parameters" /f >/dev/null
  printf '[System]\r\nEnableC3=1\r\n[TouchCFG]\r\ndefaultdblclick=4\r\n' >"$drive_c/setup.ini"
  run registry usb 'C:\setup.ini' 'VID_0D7A&PID_0306' 'Example Touch USB Controller'
  keep
  expect_line '^TRACE Update key 5&1&0&1$' "instance updated"
  expect_equal "$(reg_value "$instance" LowerFilters)" "REG_SZ qzusbf" "LowerFilters"
  expect_equal "$(reg_value "$instance" DeviceDesc)" "REG_SZ Example Touch USB Controller" "DeviceDesc"
  expect_equal "$(reg_value "$instance\\Device Parameters" SelectiveSuspendEnabled)" "REG_BINARY 01" \
    "SelectiveSuspendEnabled"
  local service='HKLM\SYSTEM\CurrentControlSet\Services\qzusbf'
  expect_equal "$(reg_value "$service" Group)" "REG_SZ Pointer Port" "Group"
  expect_equal "$(reg_value "$service" ImagePath)" 'REG_EXPAND_SZ System32\Drivers\qzusbf.sys' "ImagePath"
  expect_equal "$(reg_value "$service" Start)" "REG_DWORD 0x3" "Start"
  [[ $(reg_value "$service\\Parameters" CreationTime) =~ ^REG_SZ\ .*[0-9].*\ .*[0-9] ]] || problem "CreationTime"
  expect_equal "$(reg_value 'HKCU\Control Panel\Mouse' DoubleClickWidth)" "REG_SZ 48" "DoubleClickWidth"
  expect_equal "$(reg_value 'HKCU\Control Panel\Mouse' DoubleClickSpeed)" "REG_SZ 500" "DoubleClickSpeed"

  printf '[TouchCFG]\r\ndefaultdblclick=5\r\n' >"$drive_c/serial.ini"
  run registry serial 'C:\serial.ini' '' ''
  keep
  expect_equal "$(reg_value 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Setup' SourcePath "${software_view[@]}")" \
    'REG_SZ C:\windows\System32\Drivers\' "SourcePath"
  key_exists 'HKLM\SYSTEM\CurrentControlSet\Services\qz232\Parameters' || problem "qz232 time stamp"
  expect_equal "$(reg_value 'HKCU\Control Panel\Mouse' DoubleClickHeight)" "REG_SZ 80" "DoubleClickHeight"
  expect_equal "$(reg_value 'HKCU\Control Panel\Mouse' DoubleClickSpeed)" "REG_SZ 400" "DoubleClickSpeed"
  report registry-settings
}

# The registry cleanup removes whole subtrees and leaves other devices' keys.
case_registry_cleanup() {
  local enum='HKLM\SYSTEM\CurrentControlSet\Enum'
  reg add "$enum\\USB\\VID_0D7A&PID_0300\\5&1\\Device Parameters\\Deep" /f >/dev/null
  reg add "$enum\\HID\\VID_0D7A&PID_0300\\7&1\\Device Parameters" /f >/dev/null
  reg add "$enum\\USB\\VID_F00D&PID_C077\\5&2" /f >/dev/null
  reg add 'HKLM\SYSTEM\CurrentControlSet\Services\qzusbuf' /f >/dev/null
  reg add 'HKLM\SOFTWARE\QUOLEX\USB' /f "${software_view[@]}" >/dev/null
  run clean usb 'VID_0D7A&PID_0300' 'VID_0D7A&PID_0306'
  keep
  local key
  for key in "$enum\\USB\\VID_0D7A&PID_0300" "$enum\\HID\\VID_0D7A&PID_0300" \
    'HKLM\SYSTEM\CurrentControlSet\Services\qzusbf' 'HKLM\SYSTEM\CurrentControlSet\Services\qzusbuf'; do
    key_exists "$key" && problem "$key still there"
  done
  reg query 'HKLM\SOFTWARE\QUOLEX\USB' "${software_view[@]}" >/dev/null && problem "SOFTWARE\\QUOLEX\\USB still there"
  key_exists "$enum\\USB\\VID_F00D&PID_C077\\5&2" || problem "another device's key removed"
  report registry-cleanup
}

# Declining the restart shows the warning and ends the process with exit code 0.
case_restart_declined() {
  out=$(timeout -k 5 $((step_timeout + 30)) "$wine_cmd" "$exe_dir/clicker.exe" --timeout "$step_timeout" \
    --share-output --step "box Cancel" --step "box OK" --step exit \
    -- "Z:${check//\//\\}" reboot "You must REBOOT Windows to complete the UnInstallation" 2>/dev/null | tr -d '\r')
  keep
  expect_line '^BOX caption="Warning" text="You must REBOOT Windows to complete the UnInstallation" buttons="OK\|Cancel" icon=none$' \
    "restart question"
  expect_line '^BOX caption="Touch setup check" text="Device may be will not work properly, until windows rebooted !" buttons="OK" icon=warning$' \
    "decline warning"
  expect_line '^EXIT code=0$' "exit code 0"
  report restart-declined
}

# What Wine leaves undone of the Setup API calls the program makes, as Wine
# itself reports it (its "fixme" lines); Windows documents each of them.
notes_wine_stubs() {
  plant_inf oem30.inf $'%QZUSB_1% = I, USB\\VID_0D7A&PID_0306\r\n'
  local id='ROOT\TOUCH_STATE'
  run create-root "$id"
  local fixmes
  fixmes=$( {
    WINEDEBUG=fixme+setupapi,fixme+newdev timeout "$step_timeout" "$wine_cmd" "$check" uninstall-oem oem30.inf 0
    WINEDEBUG=fixme+setupapi,fixme+newdev timeout "$step_timeout" "$wine_cmd" "$check" state "$id" 2
  } 2>&1 >/dev/null | tr -d '\r' | grep -o 'fixme:[a-z]*:[A-Za-z_]*' | sort -u)
  [ -e "$inf_dir/oem30.inf" ] && echo "NOTE: Wine's SetupUninstallOEMInfA without SUOI_FORCEDELETE deletes nothing and reports success"
  run uninstall-oem oem30.inf 1
  [ -e "$inf_dir/oem30.pnf" ] && echo "NOTE: Wine's SetupUninstallOEMInfA with SUOI_FORCEDELETE leaves the .pnf; the program deletes it itself"
  while IFS= read -r line; do
    [ -n "$line" ] && echo "NOTE: Wine: $line"
  done <<<"$fixmes"
}

case_hid
case_root_device
case_oem_infs
case_registry_settings
case_registry_cleanup
case_restart_declined
notes_wine_stubs

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
