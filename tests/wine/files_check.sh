#!/usr/bin/env bash
# The file routines of setup.exe's code with the Win32 backend in a Wine prefix
# (files_check.exe, see files_check.cpp): the USB and RS-232 file sets and their
# removal sets, the shortcuts read back through the shell link object, the
# RS-232 INF in the INF store, and the embedded DPInst and DevCon images
# written out, compared with the built stand-ins.
#
#   tests/wine/files_check.sh BUILD_DIR        e.g. build/windows
#
# BUILD_DIR holds files_check.exe, the assembled sample package and the built
# stand-ins (the windows preset). Where this Wine runs 64-bit programs only,
# the x86-64 build in BUILD_DIR/wine-x64 is used (built when missing), as the
# other Wine tests do; a 64-bit process sees no WOW64 redirection, so the
# 32-bit system folder is then only checked to stay untouched.
# Windows reports itself as Windows 7 in this prefix, so the routines take
# their Vista and later paths. Prints one line per check and
# "N passed, N failed" last; exits non-zero when a check failed, 0 with SKIP
# when Wine, Xvfb or the build are missing.
set -uo pipefail
export LC_ALL=C

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)

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
[ -n "$wine_cmd" ] || skip "Wine is not installed; the file routines were not checked under Wine"
command -v Xvfb >/dev/null 2>&1 || skip "Xvfb is not installed; the file routines were not checked under Wine"
[ -f "$build/files_check.exe" ] || skip "$build has no files_check.exe: build the windows preset first"
wineserver_cmd=$(command -v wineserver || echo /usr/lib/wine/wineserver)

work=$(mktemp -d /tmp/files-wine.XXXXXX)
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
[ -s "$work/display" ] || { echo "error: Xvfb did not start" >&2; exit 2; }
export DISPLAY=":$(head -n1 "$work/display")"
timeout 180 "$wine_cmd" wineboot -i >"$work/wineboot.log" 2>&1 || { echo "error: wineboot failed" >&2; exit 2; }
timeout 30 "$wineserver_cmd" -k >/dev/null 2>&1
timeout 30 "$wineserver_cmd" -w >/dev/null 2>&1

# --- Which build runs here ---------------------------------------------------

exe_dir=$build
# Without a step it prints its usage and exits 2, when this Wine runs it at all.
timeout 60 "$wine_cmd" "$build/files_check.exe" >/dev/null 2>&1 </dev/null
if [ $? -ne 2 ]; then
  wine64_cmd=$(command -v wine64 || echo /usr/lib/wine/wine64)
  command -v x86_64-w64-mingw32-g++-win32 >/dev/null 2>&1 && [ -x "$wine64_cmd" ] ||
    skip "this Wine cannot run 32-bit programs, and no 64-bit Wine and MinGW-w64 are there"
  echo "NOTE: this Wine cannot run 32-bit programs; checking the x86-64 build in $build/wine-x64"
  exe_dir=$build/wine-x64
  if ! { { [ -f "$exe_dir/build.ninja" ] ||
           cmake -S "$src" -B "$exe_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake" \
             -DCMAKE_BUILD_TYPE=MinSizeRel >"$work/x64-configure.log" 2>&1; } &&
         cmake --build "$exe_dir" -j2 >"$work/x64-build.log" 2>&1; }; then
    echo "error: the x86-64 build failed" >&2
    tail -30 "$work/x64-configure.log" "$work/x64-build.log" 2>/dev/null >&2
    exit 2
  fi
  wine_cmd=$wine64_cmd
fi

# Windows 7: the routines' Vista and later paths.
timeout 60 "$wine_cmd" reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d win7 /f >/dev/null 2>&1

drive_c=$WINEPREFIX/drive_c
package=$drive_c/Package
rm -rf "$package"
cp -r "$exe_dir/package" "$package"
cp "$exe_dir/files_check.exe" "$work/files_check.exe"

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
same() {  # NAME FILE EXPECTED_FILE: the two files hold the same bytes
  if [ -f "$2" ] && cmp -s "$2" "$3"; then check "$1" same same; else check "$1" "same bytes as ${3#"$work"/}" "${2#"$drive_c"/}: $( [ -f "$2" ] && echo differs || echo missing)"; fi
}
gone() {  # NAME PATH
  check "$1" gone "$( [ -e "$2" ] && echo present || echo gone)"
}
# A path of the prefix's C: drive whatever the letter case of its parts.
c_path() {  # c_path WINDOWS_PATH
  local path=$drive_c part found parts rest=${1#[Cc]:}
  IFS=/ read -ra parts <<<"${rest//\\//}"
  for part in "${parts[@]}"; do
    [ -n "$part" ] || continue
    found=$(find "$path" -mindepth 1 -maxdepth 1 -iname "$part" -print -quit 2>/dev/null)
    if [ -z "$found" ]; then echo "$path/$part"; return; fi
    path=$found
  done
  echo "$path"
}
step() {  # STEP [ARG]: runs files_check in the package folder; output in $out
  out=$(cd "$package" && timeout 120 "$wine_cmd" "$work/files_check.exe" "$@" 2>"$work/stderr" | tr -d '\r')
  echo "$out" >"$work/step-$1.log"
  check "files_check $1 ends without an error" "" "$(grep '^ERROR' <<<"$out")"
}
state() { grep "^STATE $1=" <<<"$out" | head -n1 | cut -d= -f2-; }

# --- The USB product --------------------------------------------------------

step usb
is64=$(state Is64Bit)
windows_dir=$(c_path "$(state WindowsDir)")
install=$(c_path "$(state ProgramFilesDir)\\ExampleTouch")
echo "     (files_check sees Windows $(state Windows), Is64Bit=$is64, install folder ${install#"$drive_c"/})"
built=""
arch=x86
if [ "$is64" = 1 ]; then built=xp64/; arch=x64; fi
system32=$windows_dir/system32
same "the filter driver in the native drivers folder" "$system32/drivers/qzusbf.sys" "$package/${built}qzusbf.sys"
applet=touchcfgv.cpl
[ "$is64" = 1 ] && applet=touchcfg64v.cpl
same "the Vista applet in the native system folder" "$system32/touchcfg.cpl" "$package/$applet"
if [ -d "$windows_dir/syswow64" ]; then
  check "nothing of the USB product in the 32-bit system folder" "" \
    "$(ls "$windows_dir/syswow64" 2>/dev/null | grep -iE '^(touchcfg\.cpl|qzusbf\.sys|dpinst\.exe)$')"
  gone "nothing in the 32-bit drivers folder" "$windows_dir/syswow64/drivers/qzusbf.sys"
fi
same "the staged INF in the INF folder" "$windows_dir/inf/qzusbf.inf" "$(c_path "$(state TempDir)")/qzusbf.inf"
same "DPInst written out from the embedded image" "$install/dpinst.exe" "$exe_dir/payloads/$arch/dpinst.exe"
same "DevCon written out from the embedded image" "$install/devcon.exe" "$exe_dir/payloads/$arch/devcon.exe"
same "the package's own USB INF in the install folder" "$install/qzusbf.inf" "$package/${built}qzusbf.inf"
same "the Vista catalog in the install folder" "$install/qzusbf.cat" "$package/${built}qzusbfv.cat"
same "the virtual touch INF" "$install/vtouch.inf" "$package/${built}vtouch.inf"
same "the uninstaller" "$install/uninstall.exe" "$package/setup.dat"
same "an extra folder's file" "$install/docs/quickstart.txt" "$package/docs/quickstart.txt"
same "an additional file" "$install/manual.txt" "$package/manual.txt"
check "setup.ini ends with the USB product's keys" \
  "product=0|[INFData]|manufacturer=Example Touch Systems|vidpid=VID_0D7A&PID_0300|devdesc=Example Touch USB Controller" \
  "$(tr -d '\r' <"$install/setup.ini" | grep -E '^(product=|\[INFData\]|manufacturer=|vidpid=|devdesc=)' | paste -sd'|')"
check "setup.ini's lines all end with CR LF" 0 "$(grep -vc $'\r$' "$install/setup.ini")"

step links
winstall=$(state ProgramFilesDir)'\ExampleTouch'
links=$(grep '^LINK' <<<"$out" | sed 's/^LINK [^|]*\\//' | sort)
check "the shortcuts read back through the shell link object" \
  "$(printf '%s\n' \
     "Calibrate touch screen.lnk|$winstall\\touchcfg.exe|/calib|Calibrate touch screen|,0|" \
     "Touch control panel.lnk|$winstall\\touchcfg.exe||Touch control panel|$winstall\\touch.ico,0|" \
     "Touch control panel.lnk|$winstall\\touchcfg.exe||Touch control panel|$winstall\\touch.ico,0|" \
     "Uninstall Example Touch driver.lnk|$winstall\\uninstall.exe|||,0|" \
     "User manual.lnk|$winstall\\manual.txt||User manual|,0|" | sort)" "$links"

step remove-usb
# The removal set runs before the additional files go, so the install folder
# it tried to remove still held them; it is left empty.
check "the install folder is emptied" "" "$(ls -A "$install" 2>/dev/null)"
gone "the filter driver is removed" "$system32/drivers/qzusbf.sys"
gone "the applet is removed" "$system32/touchcfg.cpl"
gone "the INF copy is removed" "$windows_dir/inf/qzusbf.inf"
step links
check "no shortcut is left" "" "$(grep '^LINK' <<<"$out")"

# --- The RS-232 product -----------------------------------------------------

step serial
check "the INF is registered with Windows" 1 "$(grep -c '^TRACE CopyOEM OK$' <<<"$out")"
stored=""
for inf in "$windows_dir"/inf/*.inf; do
  if cmp -s "$inf" "$package/232/qz232.inf"; then stored=$inf; fi
done
check "the RS-232 INF is in the INF store" yes "$( [ -n "$stored" ] && echo yes || echo no)"
echo "     (stored as ${stored##*/}; Windows names its copies oem<N>.inf, Wine keeps the package's name)"
same "the serial driver in the native drivers folder" "$system32/drivers/qz232.sys" \
  "$package/$( [ "$is64" = 1 ] && echo xp64/)232/qz232.sys"
same "the applet of the RS-232 product" "$system32/touchcfg.cpl" \
  "$package/$( [ "$is64" = 1 ] && echo touchcfg64.cpl || echo touchcfg.cpl)"
same "the RS-232 INF in the install folder" "$install/qz232.inf" "$package/232/qz232.inf"
gone "no DPInst for the RS-232 product" "$install/dpinst.exe"
step remove-serial
check "the install folder is emptied" "" "$(ls -A "$install" 2>/dev/null)"
gone "the serial driver is removed" "$system32/drivers/qz232.sys"

# --- The four images --------------------------------------------------------

mkdir -p "$drive_c/images"
step images 'C:\images'
for image in dpinst_x86 dpinst_x64 devcon_x86 devcon_x64; do
  same "$image written out whole" "$drive_c/images/$image.exe" "$exe_dir/payloads/${image#*_}/${image%_*}.exe"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
