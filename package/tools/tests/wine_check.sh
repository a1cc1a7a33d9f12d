#!/usr/bin/env bash
# Checks the package tools' stand-ins under Wine, each against what the setup
# program relies on: the libraries' entry points and results, the exit codes,
# the service, the windows and their messages.
#
#   package/tools/tests/wine_check.sh [PACKAGE_DIR]
#
# PACKAGE_DIR is an assembled package folder (such as build/windows/package);
# its tools are checked when this Wine can run them. Otherwise, or without
# the argument, the stand-ins are compiled here from their sources for the
# architecture this Wine runs (x86-64 where Wine runs 64-bit programs only).
# Prints one line per check and "N passed, N failed" last; the exit code is
# the number of failures. Needs Wine, Xvfb and MinGW-w64.
set -uo pipefail

tools_src=$(cd "$(dirname "$0")/.." && pwd)
tests_src=$tools_src/tests
package_dir=${1:-}

wine_cmd=""
for candidate in wine wine64 /usr/lib/wine/wine64; do
  if command -v "$candidate" >/dev/null 2>&1 && timeout 30 "$candidate" --version >/dev/null 2>&1; then
    wine_cmd=$(command -v "$candidate")
    break
  fi
done
[ -n "$wine_cmd" ] || { echo "error: Wine does not start" >&2; exit 100; }
wineserver_cmd=$(command -v wineserver || echo /usr/lib/wine/wineserver)

work=$(mktemp -d /tmp/package-tools-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
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
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "error: Xvfb did not start" >&2; exit 100; }
export DISPLAY=":$(head -n1 "$work/display")"
timeout 300 "$wine_cmd" wineboot -i >"$work/wineboot.log" 2>&1 || { echo "error: wineboot failed" >&2; exit 100; }
# A new prefix may be left with two service managers, each answering for its
# own services; a fresh start leaves one.
timeout 30 "$wineserver_cmd" -k >/dev/null 2>&1
timeout 30 "$wineserver_cmd" -w >/dev/null 2>&1

run() { timeout 60 "$wine_cmd" "$@"; }
# Windows path of a file in the prefix or anywhere else (Wine maps / to Z:).
winpath() { "$wine_cmd" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# The same options as the build (package/package.cmake).
flags=(-Os -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror -static -s)
api=(-DWINVER=0x0500 -D_WIN32_WINNT=0x0500 -D_WIN32_IE=0x0500 -DNOMINMAX)
build_tools() {  # ARCH DIR
  local cc=$1-w64-mingw32-gcc-win32 out=$2
  mkdir -p "$out"
  $cc "${flags[@]}" "${api[@]}" -shared -Wl,--kill-at "$tools_src/setup_dll.c" -o "$out/setup.dll" &&
    $cc "${flags[@]}" "${api[@]}" -shared -Wl,--kill-at "$tools_src/tsutils.c" -lcfgmgr32 -o "$out/tsutils.dll" &&
    $cc "${flags[@]}" "${api[@]}" -mwindows "$tools_src/pnpreg.c" -o "$out/pnpreg.exe" &&
    $cc "${flags[@]}" "${api[@]}" -mwindows "$tools_src/hidfilter.c" -o "$out/hidfilter.exe" &&
    $cc "${flags[@]}" "${api[@]}" -mwindows "$tools_src/touchcfg.c" -o "$out/touchcfg.exe" &&
    (cd "$tools_src" && $1-w64-mingw32-windres uninstall.rc -O coff -o "$out/uninstall.res") &&
    $cc "${flags[@]}" "${api[@]}" -mwindows "$tools_src/uninstall.c" "$out/uninstall.res" -o "$out/setup.dat"
}
build_helpers() {  # ARCH DIR
  local cc=$1-w64-mingw32-gcc-win32 out=$2
  mkdir -p "$out"
  for helper in call_export window_message fake_setup exit_code; do
    $cc "${flags[@]}" "$tests_src/$helper.c" -o "$out/$helper.exe" || return 1
  done
}

# Pick the tools and the architecture of the helpers.
tools=""
arch=""
if [ -n "$package_dir" ] && run "$package_dir/pnpreg.exe" -u >/dev/null 2>&1; then
  tools=$(cd "$package_dir" && pwd)
  arch=$(x86_64-w64-mingw32-objdump -f "$tools/pnpreg.exe" | grep -q "x86-64" && echo x86_64 || echo i686)
else
  for candidate in i686 x86_64; do
    build_tools "$candidate" "$work/tools-$candidate" || { echo "error: building the tools failed" >&2; exit 100; }
    if run "$work/tools-$candidate/pnpreg.exe" -u >/dev/null 2>&1; then
      tools=$work/tools-$candidate
      arch=$candidate
      break
    fi
  done
fi
[ -n "$tools" ] || { echo "error: this Wine runs neither 32-bit nor 64-bit programs" >&2; exit 100; }
helpers=$work/helpers
build_helpers "$arch" "$helpers" || { echo "error: building the helpers failed" >&2; exit 100; }
setdev64=${package_dir:+$tools/setdev64.exe}
if [ -z "$setdev64" ] || [ ! -f "$setdev64" ]; then
  setdev64=$work/setdev64.exe
  x86_64-w64-mingw32-gcc-win32 "${flags[@]}" -DWINVER=0x0502 -D_WIN32_WINNT=0x0502 -mwindows \
    "$tools_src/setdev64.c" -lsetupapi -lnewdev -o "$setdev64" || { echo "error: building setdev64.exe failed" >&2; exit 100; }
fi
echo "tools: $tools ($arch), Wine: $wine_cmd"

passed=0
failed=0
check() {  # NAME EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then
    echo "PASS $1"
    passed=$((passed + 1))
  else
    echo "FAIL $1: expected [$2], got [$3]"
    failed=$((failed + 1))
  fi
}
exit_code() { "$@" >/dev/null 2>&1; echo $?; }
output() { "$@" 2>/dev/null | tr -d '\r'; }

# --- setup.dll: 1 only with a file "multimonitor" in the library's folder ---
lib=$work/lib
caller=$work/caller
mkdir -p "$lib" "$caller"
cp "$tools/setup.dll" "$lib/"
cp "$helpers/call_export.exe" "$caller/"
check "setup.dll VEXA_GetSetupFlag, plain package" "VEXA_GetSetupFlag=0" \
  "$(output run "$caller/call_export.exe" "$(winpath "$lib/setup.dll")" VEXA_GetSetupFlag)"
touch "$caller/multimonitor"
check "setup.dll looks in its own folder, not the program's" "VEXA_GetSetupFlag=0" \
  "$(output run "$caller/call_export.exe" "$(winpath "$lib/setup.dll")" VEXA_GetSetupFlag)"
touch "$lib/multimonitor"
check "setup.dll VEXA_GetSetupFlag, multi-monitor package" "VEXA_GetSetupFlag=1" \
  "$(output run "$caller/call_export.exe" "$(winpath "$lib/setup.dll")" VEXA_GetSetupFlag)"
rm "$lib/multimonitor"
mkdir "$lib/multimonitor"
check "setup.dll ignores a folder named multimonitor" "VEXA_GetSetupFlag=0" \
  "$(output run "$caller/call_export.exe" "$(winpath "$lib/setup.dll")" VEXA_GetSetupFlag)"

# --- tsutils.dll: the entry point exists and answers 0 or 1 ---
rescan=$(output run "$helpers/call_export.exe" "$(winpath "$tools/tsutils.dll")" VEXA_ReScanDevice)
case "$rescan" in
  VEXA_ReScanDevice=0 | VEXA_ReScanDevice=1) check "tsutils.dll VEXA_ReScanDevice answers 0 or 1" ok ok ;;
  *) check "tsutils.dll VEXA_ReScanDevice answers 0 or 1" "VEXA_ReScanDevice=0 or 1" "$rescan" ;;
esac
echo "     ($rescan; Wine's Plug and Play does not re-enumerate, so 1 is its answer)"

# --- pnpreg.exe ---
marker='HKLM\SOFTWARE\Brivo\PnpReg'
run reg add "$marker" /v PnpPending /t REG_DWORD /d 1 /f >/dev/null 2>&1
run reg add "$marker" /v Other /t REG_SZ /d kept /f >/dev/null 2>&1
check "pnpreg.exe -u exits 0" 0 "$(exit_code run "$tools/pnpreg.exe" -u)"
check "pnpreg.exe -u clears its marker" 1 "$(exit_code run reg query "$marker" /v PnpPending)"
check "pnpreg.exe -u leaves other values" 0 "$(exit_code run reg query "$marker" /v Other)"
check "pnpreg.exe -u without a marker exits 0" 0 "$(exit_code run "$tools/pnpreg.exe" -u)"
check "pnpreg.exe without arguments exits 1" 1 "$(exit_code run "$tools/pnpreg.exe")"
check "pnpreg.exe -x exits 1" 1 "$(exit_code run "$tools/pnpreg.exe" -x)"

# --- hidfilter.exe: the service HIDFltrM ---
service='HKLM\System\CurrentControlSet\Services\HIDFltrM'
check "hidfilter.exe -install -silent exits 0" 0 "$(exit_code run "$tools/hidfilter.exe" -install -silent)"
check "the service HIDFltrM is installed" 0 "$(exit_code run reg query "$service")"
check "HIDFltrM is a kernel driver" "0x1" "$(output run reg query "$service" /v Type | awk '/Type/ {print $3}')"
check "HIDFltrM starts on demand" "0x3" "$(output run reg query "$service" /v Start | awk '/Start/ {print $3}')"
check "HIDFltrM's image" 'System32\drivers\hidfltrm.sys' \
  "$(output run reg query "$service" /v ImagePath | awk '/ImagePath/ {print $3}')"
check "sc.exe sees HIDFltrM" 1 "$(output run sc query HIDFltrM | grep -c 'SERVICE_NAME: HIDFltrM')"
check "hidfilter.exe -install -silent again exits 0" 0 "$(exit_code run "$tools/hidfilter.exe" -install -silent)"
check "hidfilter.exe -uninstall -silent exits 0" 0 "$(exit_code run "$tools/hidfilter.exe" -uninstall -silent)"
check "the service HIDFltrM is gone" 1 "$(exit_code run reg query "$service")"
check "hidfilter.exe -uninstall -silent again exits 0" 0 "$(exit_code run "$tools/hidfilter.exe" -uninstall -silent)"
check "hidfilter.exe with an unknown switch exits 2" 2 "$(exit_code run "$tools/hidfilter.exe" -bogus)"

# --- touchcfg.exe: window TSwapFormZZ closes on 0x480 with wParam 255 ---
for mode in /i /calib ""; do
  run "$tools/touchcfg.exe" $mode >/dev/null 2>&1 &
  tool=$!
  check "touchcfg.exe $mode stays on 0x480 with wParam 0" "still open" \
    "$(output run "$helpers/window_message.exe" TSwapFormZZ 0x480 0)"
  check "touchcfg.exe $mode closes on 0x480 with wParam 255" closed \
    "$(output run "$helpers/window_message.exe" TSwapFormZZ 0x480 255)"
  wait "$tool"
  check "touchcfg.exe $mode then exits 0" 0 $?
done

# --- setup.dat: the uninstaller ---
for folder in "Program Files/Touch Test" "TouchTest"; do
  dir=$WINEPREFIX/drive_c/$folder
  mkdir -p "$dir"
  cp "$tools/setup.dat" "$dir/uninstall.exe"
  cp "$helpers/fake_setup.exe" "$dir/setup.exe"
  printf '[SYSTEM]\r\n' >"$dir/setup.ini"
  windir="C:\\${folder//\//\\}"
  if [ "$folder" = TouchTest ]; then expected="$windir\\setup.exe -u"; else expected="\"$windir\\setup.exe\" -u"; fi
  check "uninstaller in $folder exits 0" 0 "$(exit_code run "$windir\\uninstall.exe")"
  log=$(tr -d '\r' <"$dir/fake_setup.log" 2>/dev/null)
  check "uninstaller in $folder starts setup.exe -u" "command=$expected" "$(grep '^command=' <<<"$log")"
  check "uninstaller in $folder runs it in its folder" "folder=$windir" "$(grep '^folder=' <<<"$log")"
  check "uninstaller window TUN_INST/.UN_INST. during the run" "uninstaller window=yes" "$(grep '^uninstaller window=' <<<"$log")"
  check "uninstaller ignores 0x480 with wParam 256" "after messages=yes" "$(grep '^after messages=' <<<"$log")"
done
pending=$(output run reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations)
check "uninstaller marks itself for deletion at restart" 1 \
  "$(grep -c 'Program Files\\Touch Test\\uninstall.exe' <<<"$pending")"
kept=$WINEPREFIX/drive_c/TouchKept
mkdir -p "$kept"
cp "$tools/setup.dat" "$kept/uninstall.exe"
cp "$helpers/call_export.exe" "$kept/setup.exe"  # ends at once and leaves setup.ini
printf '[SYSTEM]\r\n' >"$kept/setup.ini"
run 'C:\TouchKept\uninstall.exe' >/dev/null 2>&1
pending=$(output run reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations)
check "uninstaller keeps an installation whose setup.ini remains" 0 "$(grep -c 'TouchKept' <<<"$pending")"

# --- setdev64.exe: exit codes where it finds nothing to do ---
check "setdev64.exe without arguments exits 0" 0 "$(exit_code run "$setdev64")"
check "setdev64.exe with an unknown operation exits 0" 0 "$(exit_code run "$setdev64" 'usb\VID_0D7A&PID_0300' 3)"
check "setdev64.exe disabling a missing device exits 0" 0 "$(exit_code run "$setdev64" 'usb\VID_0D7A&PID_0300' 2)"
check "setdev64.exe enabling a missing device exits 0" 0 "$(exit_code run "$setdev64" 'usb\VID_0D7A&PID_0300' 1)"
echo "     (Wine's Setup API cannot change a device's state, and its driver update reports success for any"
echo "      device: the other results of setdev64.exe need Windows)"

# --- dpinst.exe and devcon.exe: the driver tools setup.exe carries ---
# The stand-ins setup.exe embeds (the build's payloads) when the package comes
# from a build, else compiled here as the build compiles them.
driver_arch=x86
[ "$arch" = x86_64 ] && driver_arch=x64
driver_tools=${package_dir:+$(cd "$package_dir/.." 2>/dev/null && pwd)/payloads/$driver_arch}
if [ -z "$driver_tools" ] || [ ! -f "$driver_tools/dpinst.exe" ] || [ ! -f "$driver_tools/devcon.exe" ]; then
  driver_tools=$work/driver-tools
  mkdir -p "$driver_tools"
  if [ "$arch" = x86_64 ]; then driver_api=(-DWINVER=0x0502 -D_WIN32_WINNT=0x0502); else driver_api=("${api[@]}"); fi
  "$arch-w64-mingw32-gcc-win32" "${flags[@]}" "${driver_api[@]}" -mwindows "$tools_src/dpinst.c" -lsetupapi -lnewdev \
    -o "$driver_tools/dpinst.exe" &&
    "$arch-w64-mingw32-gcc-win32" "${flags[@]}" "${driver_api[@]}" -mconsole "$tools_src/devcon.c" -lsetupapi -lnewdev \
      -o "$driver_tools/devcon.exe" || { echo "error: building the driver tools failed" >&2; exit 100; }
fi
echo "driver tools: $driver_tools"
driverpkg=$work/driverpkg
mkdir -p "$driverpkg"
vtouch_src=$tools_src/..
[ "$arch" = x86_64 ] && vtouch_src=$tools_src/../xp64
cp "$vtouch_src"/vtouch.inf "$vtouch_src"/vtouch.cat "$vtouch_src"/vtouch.sys "$driver_tools/dpinst.exe" \
  "$driver_tools/devcon.exe" "$driverpkg/"
windows_inf=$WINEPREFIX/drive_c/windows/inf
stored_copies() {  # the INF store's copies of the package's vtouch.inf
  local inf count=0
  for inf in "$windows_inf"/*.inf; do cmp -s "$inf" "$driverpkg/vtouch.inf" && count=$((count + 1)); done
  echo "$count"
}
full_exit() { (cd "$driverpkg" && output run "$helpers/exit_code.exe" "$@"); }
in_pkg() { (cd "$driverpkg" && output run "$@"); }
hwid='{5B2E7C19-3A44-4F0D-9E61-C7A20B8D43F6}\HID_DEVICE'

code=$(full_exit dpinst.exe /q /se | sed -n 's/^exit=//p')
counted=$(( (code & 0xFF) + ((code >> 8) & 0xFF) ))
check "dpinst.exe /q /se reports no failure" 0 "$(( code & 0xFFFF0000 ))"
check "dpinst.exe /q /se counts its one package" 1 "$counted"
echo "     (exit code $code; Wine's driver update reports success without a device, so the package counts as"
echo "      installed on a device where Windows would count it as copied to the store only, 0x00000100)"
check "the package's INF is in the INF store" 1 "$(stored_copies)"
full_exit dpinst.exe /q /se >/dev/null
check "a second run does not store the INF twice" 1 "$(stored_copies)"
check "dpinst.exe with an unknown switch reports a failure" exit=0x80010000 "$(full_exit dpinst.exe /bogus)"

check "devcon.exe install creates and installs the device" 0 "$(cd "$driverpkg" && exit_code run devcon.exe install vtouch.inf "$hwid")"
device_key='HKLM\System\CurrentControlSet\Enum\ROOT\HIDCLASS\0000'
check "the device is root-enumerated with the hardware ID" "$hwid" \
  "$(output run reg query "$device_key" /v HardwareId | awk '/HardwareId/ {print $3}')"
check "devcon.exe remove removes it" "1 device(s) were removed." "$(in_pkg devcon.exe remove "$hwid" | tail -n1)"
check "the device is gone" 1 "$(exit_code run reg query "$device_key")"
check "devcon.exe remove without a match exits 0" "No devices were removed.|0" \
  "$(in_pkg devcon.exe remove "$hwid" | tail -n1)|$(cd "$driverpkg" && exit_code run devcon.exe remove "$hwid")"
check "devcon.exe install of a missing INF exits 2" 2 "$(cd "$driverpkg" && exit_code run devcon.exe install none.inf "$hwid")"
check "devcon.exe without a command exits 3" 3 "$(cd "$driverpkg" && exit_code run devcon.exe)"
check "devcon.exe with an unknown command exits 3" 3 "$(cd "$driverpkg" && exit_code run devcon.exe enable "$hwid")"

check "dpinst.exe /u counts the package it removed" exit=0x00000001 "$(full_exit dpinst.exe /u vtouch.inf /d /q /se)"
check "the INF store no longer holds the package's INF" 0 "$(stored_copies)"
check "dpinst.exe /u of a package not in the store removes nothing" exit=0x00000000 \
  "$(full_exit dpinst.exe /u vtouch.inf /d /q /se)"
check "dpinst.exe /u of a missing INF reports a failure" exit=0x80010000 "$(full_exit dpinst.exe /u none.inf /q)"

echo "$passed passed, $failed failed"
exit "$failed"
