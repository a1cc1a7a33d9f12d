#!/usr/bin/env bash
# The real setup.exe under Wine: a fresh Wine prefix on a virtual X display,
# message boxes and clicks played by clicker.exe, one line per case.
#
#   tests/wine/run.sh BUILD_DIR        e.g. build/windows
#
# BUILD_DIR holds setup.exe and clicker.exe (the windows preset). Artefacts (the
# clicker's transcripts and a screenshot of the main window) go to
# BUILD_DIR/wine-artifacts. Where this Wine runs 64-bit programs only, the same
# sources are built for x86-64 into BUILD_DIR/wine-x64 and tested instead.
# Prints "N passed, N failed" last and exits non-zero when a case failed; prints
# SKIP and exits 0 when Wine, Xvfb or MinGW-w64 are missing.
set -uo pipefail

if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
artifacts=$build/wine-artifacts
step_timeout=60   # seconds for one case's script; every Wine call is bounded too

skip() {
  echo "SKIP: $*"
  exit 0
}

# --- Tools ------------------------------------------------------------------

wine_cmd=""
for candidate in wine wine64 /usr/lib/wine/wine64; do
  if command -v "$candidate" >/dev/null 2>&1 && timeout 30 "$candidate" --version >/dev/null 2>&1; then
    wine_cmd=$(command -v "$candidate")
    break
  fi
done
[ -n "$wine_cmd" ] || skip "Wine is not installed (or cannot start); the tests of setup.exe under Wine did not run"
command -v Xvfb >/dev/null 2>&1 || skip "Xvfb is not installed; the tests of setup.exe under Wine did not run"
wineserver_cmd=$(command -v wineserver || echo /usr/lib/wine/wineserver)
convert_cmd=$(command -v /usr/bin/convert || command -v convert || true)

if [ ! -f "$build/setup.exe" ] || [ ! -f "$build/clicker.exe" ] || [ ! -f "$build/toolkit_check.exe" ]; then
  if ! command -v i686-w64-mingw32-g++-win32 >/dev/null 2>&1; then
    skip "MinGW-w64 is not installed, so there is no setup.exe to test under Wine"
  fi
  echo "error: $build lacks setup.exe, clicker.exe or toolkit_check.exe: build the windows preset first" >&2
  exit 2
fi

work=$(mktemp -d /tmp/setup-wine.XXXXXX)
export WINEPREFIX=$work/prefix
export WINEDEBUG=-all
# No Mono or Gecko installers during the prefix's creation.
export WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""

cleanup() {
  timeout 30 "$wineserver_cmd" -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and tells it through a file descriptor.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "error: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 2; }
export DISPLAY=":$(head -n1 "$work/display")"

if ! timeout 180 "$wine_cmd" wineboot -i >"$work/wineboot.log" 2>&1; then
  echo "error: wineboot failed" >&2
  tail -20 "$work/wineboot.log" >&2
  exit 2
fi
# Wine draws the frame itself (there is no window manager), so screenshots show it.
timeout 60 "$wine_cmd" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1

# --- Which build runs here --------------------------------------------------

exe_dir=$build
if ! timeout 60 "$wine_cmd" "$build/clicker.exe" --version 2>/dev/null | grep -q '^clicker'; then
  # The 64-bit loader is asked directly: the usual wrapper prefers the 32-bit one.
  wine64_cmd=$(command -v wine64 || echo /usr/lib/wine/wine64)
  if ! command -v x86_64-w64-mingw32-g++-win32 >/dev/null 2>&1 || [ ! -x "$wine64_cmd" ]; then
    skip "this Wine cannot run 32-bit programs, and no 64-bit Wine and MinGW-w64 are there to test a 64-bit build"
  fi
  echo "NOTE: this Wine cannot run 32-bit programs (no 32-bit support on this host);"
  echo "NOTE: testing the same sources built for x86-64 in $build/wine-x64 instead"
  exe_dir=$build/wine-x64
  if ! { cmake -S "$src" -B "$exe_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake" \
           -DCMAKE_BUILD_TYPE=MinSizeRel >"$work/x64-configure.log" 2>&1 &&
         cmake --build "$exe_dir" -j2 --target setup clicker toolkit_check fixture_setup_dll fixture_netapi \
           >"$work/x64-build.log" 2>&1; }; then
    echo "error: the x86-64 build failed" >&2
    tail -30 "$work/x64-configure.log" "$work/x64-build.log" >&2
    exit 2
  fi
  wine_cmd=$wine64_cmd
  if ! timeout 60 "$wine_cmd" "$exe_dir/clicker.exe" --version 2>/dev/null | grep -q '^clicker'; then
    echo "error: Wine cannot run the x86-64 clicker either" >&2
    exit 2
  fi
fi

rm -rf "$artifacts"
mkdir -p "$artifacts"

# Wine reports guest privilege for every account, and setup refuses to run for
# anyone but an administrator: setup.exe (and it alone) gets an account query
# that reports an administrator, in the folder where a program of its kind
# finds the system's libraries.
system_dir=$WINEPREFIX/drive_c/windows/system32
if [ "$exe_dir" = "$build" ] && [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
  system_dir=$WINEPREFIX/drive_c/windows/syswow64
fi
cp "$exe_dir/wine-fixture/system/netapi32.dll" "$system_dir/netapi32.dll"
timeout 60 "$wine_cmd" reg add 'HKCU\Software\Wine\AppDefaults\setup.exe\DllOverrides' \
  /v netapi32 /t REG_SZ /d native /f >/dev/null 2>&1

# A Windows path for a path of this machine (Wine's Z: drive is the root).
winpath() { local p=$1; echo "Z:${p//\//\\}"; }

# A package-like folder: the repository's sample package when there is one, with
# the stand-ins the build made, else the least package that shows the window
# (tests/wine/fixture: default.ini and a setup.dll that answers "single monitor").
make_package() {
  local dir=$1
  mkdir -p "$dir"
  if [ -f "$src/package/default.ini" ]; then
    cp -r "$src/package/." "$dir/"
  else
    cp "$src/tests/wine/fixture/default.ini" "$exe_dir/wine-fixture/setup.dll" "$dir/"
  fi
  if [ -d "$exe_dir/package" ]; then cp -r "$exe_dir/package/." "$dir/"; fi
  cp "$exe_dir/setup.exe" "$dir/"
}

# Runs the clicker on setup.exe in a new package folder; its transcript goes to
# $artifacts/NAME.txt and into $out.
out=""
run_clicker() {
  local name=$1
  shift
  local pkg=$work/$name/package
  make_package "$pkg"
  local steps=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    steps+=(--step "$1")
    shift
  done
  shift
  timeout -k 5 $((step_timeout + 30)) "$wine_cmd" "$exe_dir/clicker.exe" --timeout "$step_timeout" \
    --cwd "$(winpath "$pkg")" "${steps[@]}" -- "$(winpath "$pkg/setup.exe")" "$@" \
    >"$artifacts/$name.txt" 2>"$work/$name.stderr"
  local status=$?
  out=$(tr -d '\r' <"$artifacts/$name.txt")
  return $status
}

passed=0
failed=0
problems=()
problem() { problems+=("$*"); }
expect_line() {  # expect_line PATTERN DESCRIPTION: some line of $out matches the extended regex
  grep -Eq -- "$1" <<<"$out" || problem "$2"
}
report() {
  local name=$1
  if [ ${#problems[@]} -eq 0 ]; then
    echo "PASS $name"
    passed=$((passed + 1))
  else
    echo "FAIL $name"
    for p in "${problems[@]}"; do echo "    $p"; done
    echo "    transcript ($artifacts/$name.txt):"
    sed 's/^/      /' <<<"$out"
    failed=$((failed + 1))
  fi
  problems=()
}

# --- Cases ------------------------------------------------------------------

# Child window ids are 1000 + the control's place in the layout
# (src/resources/layout.h): Image1 2, GroupBox1 4, RadioButton1 5, InstallButton 8,
# ExitButton 10, Panel4 11, Panel6 13.

# (a) Started without arguments from a package folder, the window waits for the
# user; Exit ends the process with exit code 0.
case_main_window() {
  local name=main-window bmp=$work/main-window.bmp
  run_clicker $name window "capture $(winpath "$bmp")" "click #1010" exit -- || problem "clicker failed"
  expect_line '^WINDOW class="TVEXA_Form1" .* client=525x346 ' "main window of class TVEXA_Form1 with a 525x346 client area"
  expect_line '^WINDOW .* sizable=0 minimize=0 maximize=0 sysmenu=1$' "fixed dialog frame with a close box only"
  local window_line
  window_line=$(grep -m1 '^WINDOW ' <<<"$out")
  if [[ $window_line =~ frame=([0-9]+),([0-9]+),([0-9]+)x([0-9]+)\ screen=([0-9]+)x([0-9]+) ]]; then
    local m=("${BASH_REMATCH[@]}")
    local dx=$((m[1] - (m[5] - m[3]) / 2)) dy=$((m[2] - (m[6] - m[4]) / 2))
    if [ ${dx#-} -gt 1 ] || [ ${dy#-} -gt 1 ]; then problem "window not centred on the screen: $window_line"; fi
  else
    problem "no window position reported"
  fi
  local controls
  controls=$(grep -c '^CONTROL ' <<<"$out")
  [ "$controls" -eq 15 ] || problem "15 child controls expected, found $controls"
  expect_line '^CONTROL id=1002 class="TouchSetupPicture" .* visible=1 .* rect=3,3,520x320 ' "picture filling Panel2"
  expect_line '^CONTROL id=1004 class="Button" text="[^"]+" visible=1 .* rect=251,143,250x73 ' "product group box"
  expect_line '^CONTROL id=1008 class="Button" text="[^"]*&[^"]*" visible=1 enabled=1 rect=251,228,248x35 ' "Install button with an accelerator"
  expect_line '^CONTROL id=1010 class="Button" text="[^"]*&[^"]*" visible=1 enabled=1 rect=251,275,248x35 ' "Exit button with an accelerator"
  expect_line '^CONTROL id=1011 .* visible=0 ' "Panel4 (Uninstall) hidden"
  expect_line '^CONTROL id=1013 .* visible=0 ' "Panel6 (status strip) hidden"
  expect_line '^CONTROL id=1014 class="msctls_progress32" ' "progress bar"
  expect_line '^CONTROL id=1005 class="Button" .* focus=1$' "focus on the selected product option"
  expect_line '^CAPTURED ' "screenshot taken"
  if [ -f "$bmp" ]; then
    if [ -n "$convert_cmd" ] && "$convert_cmd" "$bmp" "$artifacts/main-window.png" 2>/dev/null; then
      :
    else
      cp "$bmp" "$artifacts/main-window.bmp"
      echo "NOTE: ImageMagick's convert is missing; the screenshot is kept as $artifacts/main-window.bmp"
    fi
  fi
  expect_line '^CLICKED .* id=1010$' "Exit clicked"
  expect_line '^EXIT code=0$' "exit code 0 after Exit"
  report $name
}

# The close box ends the message loop and the process, with exit code 0.
case_close_box() {
  local name=close-box
  run_clicker $name window close exit -- || problem "clicker failed"
  expect_line '^CLOSED ' "window closed"
  expect_line '^EXIT code=0$' "exit code 0 after the close box"
  report $name
}

# (b) A product name is case-sensitive: "-i usb" is refused with a warning, and
# OK ends the process with exit code 0.
case_bad_product() {
  local name=bad-product
  run_clicker $name "box OK" exit -- -i usb || problem "clicker failed"
  expect_line '^BOX caption="WARNING" text="Please specify product to install !" buttons="OK"$' \
    'message box "Please specify product to install !" with caption "WARNING" and an OK button'
  expect_line '^EXIT code=0$' "exit code 0 after OK"
  report $name
}

# The colour at a point of the client area in a screenshot, as RRGGBB.
pixel() {  # pixel IMAGE CLIENT_X CLIENT_Y   (uses origin_x, origin_y)
  "$convert_cmd" "$1" -crop "1x1+$((origin_x + $2))+$((origin_y + $3))" -depth 8 txt:- 2>/dev/null |
    grep -Eo '#[0-9A-Fa-f]{6}' | head -n1 | tr -d '#'
}
near() {  # near RRGGBB RRGGBB: every channel within 24
  local a=$1 b=$2 i
  [ ${#a} -eq 6 ] && [ ${#b} -eq 6 ] || return 1
  for i in 0 2 4; do
    local d=$((16#${a:i:2} - 16#${b:i:2}))
    [ ${d#-} -le 24 ] || return 1
  done
}
expect_color() {  # expect_color IMAGE X Y RRGGBB DESCRIPTION
  local got
  got=$(pixel "$1" "$2" "$3")
  near "$got" "$4" || problem "$5: expected #$4 at client ($2,$3), found #${got:-nothing}"
}

# The toolkit with the program's layout: colours of the window, the panels and
# the product choice, the status strip with its progress bar, and the picture
# control loading each kind of picture (a failed load keeps the last picture).
case_toolkit() {
  local name=toolkit dir=$work/toolkit
  if [ -z "$convert_cmd" ]; then
    echo "SKIP $name (ImageMagick's convert is missing)"
    return
  fi
  mkdir -p "$dir"
  "$convert_cmd" -size 600x400 xc:'#2060A0' "BMP3:$dir/blue.bmp"
  "$convert_cmd" -size 64x64 xc:'#A02060' "$dir/red.gif"
  "$convert_cmd" -size 32x32 xc:'#20A060' "$dir/green.ico"
  "$convert_cmd" -size 600x400 xc:'#C08020' -quality 95 "$dir/orange.jpg"
  printf 'not a picture' >"$dir/broken.gif"
  cp "$dir/blue.bmp" "$dir/picture.png"
  local pictures=(blue.bmp red.gif green.ico missing.bmp broken.gif picture.png orange.jpg)
  local expected=(1 1 1 0 0 0 1)
  local args=() p
  for p in "${pictures[@]}"; do args+=("$(winpath "$dir/$p")"); done
  local shot=$work/toolkit.bmp
  timeout -k 5 $((step_timeout + 30)) "$wine_cmd" "$exe_dir/clicker.exe" --timeout "$step_timeout" --share-output \
    --step window --step "capture $(winpath "$shot")" --step "click #1010" --step exit \
    -- "$(winpath "$exe_dir/toolkit_check.exe")" "${args[@]}" >"$artifacts/$name.txt" 2>"$work/$name.stderr" ||
    problem "clicker failed"
  out=$(tr -d '\r' <"$artifacts/$name.txt")
  local i
  for i in "${!pictures[@]}"; do
    expect_line "^PICTURE .*[^a-z]${pictures[i]//./[.]} loaded=${expected[i]}\$" \
      "${pictures[i]} loads: ${expected[i]}"
  done
  local window_line
  window_line=$(grep -m1 '^WINDOW ' <<<"$out")
  if [[ $window_line =~ origin=([0-9]+),([0-9]+) ]] && [ -f "$shot" ]; then
    origin_x=${BASH_REMATCH[1]}
    origin_y=${BASH_REMATCH[2]}
    "$convert_cmd" "$shot" "$artifacts/toolkit.png" 2>/dev/null
    expect_color "$shot" 100 100 C08020 "the JPEG, loaded last, in the picture control"
    expect_color "$shot" 100 325 C0FFC0 "window colour on Panel1"
    expect_color "$shot" 261 209 C0FFC0 "window colour inside the product group"
    local strip filled empty
    strip=$(pixel "$shot" 8 335)
    near "$strip" C0FFC0 && problem "the status strip keeps its own colour, found the window's"
    filled=$(pixel "$shot" 146 335)
    empty=$(pixel "$shot" 398 335)
    [ -n "$filled" ] && [ "$filled" != "$empty" ] ||
      problem "progress bar at 2 of 0..4: the first quarter (#$filled) should differ from the last (#$empty)"
  else
    problem "no screenshot or client origin"
  fi
  expect_line '^SHOWN$' "shown"
  expect_line '^CLICK 10$' "Exit reported as control 10"
  expect_line '^EXIT code=0$' "ended"
  report $name
}

case_main_window
case_close_box
case_bad_product
case_toolkit

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
