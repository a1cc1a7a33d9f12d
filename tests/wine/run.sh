#!/usr/bin/env bash
# The real setup.exe under Wine: a fresh Wine prefix on a virtual X display,
# message boxes and clicks played by clicker.exe, one line per case.
#
#   tests/wine/run.sh BUILD_DIR        e.g. build/windows
#
# BUILD_DIR holds setup.exe and clicker.exe (the windows preset). Artefacts (the
# clicker's transcripts and screenshots of the main window) go to
# BUILD_DIR/wine-artifacts. Where this Wine runs 64-bit programs only, the same
# sources are built for x86-64 into BUILD_DIR/wine-x64 and tested instead.
# Each case runs setup.exe in its own copy of the package: the sample package
# that the tested build assembled (its package folder), else a small one made
# of tests/wine/fixture. The system language is German where this machine has, or
# can build, that locale, else English; the expected texts are read from the
# package's files for that language.
# Prints "N passed, N failed" last and exits non-zero when a case failed; prints
# SKIP and exits 0 when Wine, Xvfb or MinGW-w64 are missing.
set -uo pipefail
# Texts are compared byte for byte: language packs are in a Windows code page.
export LC_ALL=C
shopt -u patsub_replacement 2>/dev/null || true

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
# A fresh prefix can be left with two service managers, which answer service
# calls at random; restart the server so only one remains.
timeout 30 "$wineserver_cmd" -k >/dev/null 2>&1 || true
timeout 30 "$wineserver_cmd" -w >/dev/null 2>&1 || true
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
  # Everything the windows preset builds, the sample package included.
  if ! { cmake -S "$src" -B "$exe_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake" \
           -DCMAKE_BUILD_TYPE=MinSizeRel >"$work/x64-configure.log" 2>&1 &&
         cmake --build "$exe_dir" -j2 >"$work/x64-build.log" 2>&1; }; then
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

# --- Packages, language and expected texts -----------------------------------

# The sample package as the build assembled it (setup.exe, the stand-ins and the
# sample files); without it, the fixture: default.ini with language packs, the
# fixture's setup.dll (a single-monitor package) and a background picture drawn
# here. Sample package sources without an assembled package are used with the
# fixture's setup.dll.
assembled=$exe_dir/package
if [ -f "$assembled/default.ini" ]; then
  package_kind="the sample package assembled in $assembled"
elif [ -f "$src/package/default.ini" ]; then
  package_kind="the sample package's sources in $src/package (not assembled) with the fixture's setup.dll"
else
  package_kind="the fixture package of tests/wine/fixture"
fi
echo "NOTE: the cases use $package_kind"

# A Windows path for a path of this machine (Wine's Z: drive is the root).
winpath() { local p=$1; echo "Z:${p//\//\\}"; }

# A file of a package folder by its Windows name relative to the folder,
# whatever the letter case of its parts (as Windows finds it); fails when missing.
package_file() {  # package_file DIR RELATIVE_NAME
  local path=$1 part found parts
  IFS=/ read -ra parts <<<"${2//\\//}"
  for part in "${parts[@]}"; do
    if [ -z "$part" ] || [ "$part" = . ]; then continue; fi
    found=$(find "$path" -mindepth 1 -maxdepth 1 -iname "$part" -print -quit 2>/dev/null)
    [ -n "$found" ] || return 1
    path=$found
  done
  [ -f "$path" ] && echo "$path"
}

# A key of an INI file read the way Windows reads profile strings: sections and
# keys in any letter case, the first occurrence wins, blanks around the value
# and one pair of enclosing quotes removed. Prints the value; fails when the
# file or the key is missing.
ini_value() {  # ini_value FILE SECTION KEY
  [ -f "$1" ] || return 1
  awk -v section="$2" -v key="$3" '
    BEGIN { section = tolower(section); key = tolower(key); found = 0 }
    { sub(/\r$/, "") }
    /^[ \t]*\[/ {
      name = $0; sub(/^[ \t]*\[/, "", name); sub(/\].*$/, "", name)
      inside = tolower(name) == section; next
    }
    inside && index($0, "=") > 0 {
      name = substr($0, 1, index($0, "=") - 1); gsub(/^[ \t]+|[ \t]+$/, "", name)
      if (tolower(name) != key || name ~ /^;/) next
      value = substr($0, index($0, "=") + 1); gsub(/^[ \t]+|[ \t]+$/, "", value)
      first = substr(value, 1, 1)
      if (length(value) >= 2 && (first == "\"" || first == "'\''") && substr(value, length(value)) == first)
        value = substr(value, 2, length(value) - 2)
      printf "%s", value; found = 1; exit
    }
    END { exit !found }' "$1"
}

# Whether a section of an INI file holds at least one key.
ini_section_has_keys() {  # ini_section_has_keys FILE SECTION
  [ -f "$1" ] || return 1
  awk -v section="$2" '
    BEGIN { section = tolower(section); found = 0 }
    { sub(/\r$/, "") }
    /^[ \t]*\[/ {
      name = $0; sub(/^[ \t]*\[/, "", name); sub(/\].*$/, "", name)
      inside = tolower(name) == section; next
    }
    inside && index($0, "=") > 0 && $0 !~ /^[ \t]*;/ { found = 1; exit }
    END { exit !found }' "$1"
}

# The system language that setup.exe sees: German when the machine has the
# locale or can build it into the work folder, else English (Wine takes the
# C locale for US English).
lang_code=ENU
locale_env=(LANG=C.UTF-8 LC_ALL=C.UTF-8)
if locale -a 2>/dev/null | grep -Eqix 'de_DE\.utf-?8'; then
  lang_code=DEU
  locale_env=(LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8)
elif command -v localedef >/dev/null 2>&1; then
  mkdir -p "$work/locale"
  timeout 120 localedef -i de_DE -f UTF-8 "$work/locale/de_DE.UTF-8" >"$work/localedef.log" 2>&1
  if [ -f "$work/locale/de_DE.UTF-8/LC_CTYPE" ]; then
    lang_code=DEU
    locale_env=(LOCPATH="$work/locale" LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8)
  fi
fi
[ "$lang_code" = DEU ] ||
  echo "NOTE: no German locale here (the locales package provides it); setup.exe runs in English"

# The built-in texts that the cases look for (Text1 to Text21, by number).
declare -A builtin_text=(
  [1]="Touch screen setup program V%M.%N" [5]="Install" [6]="Uninstall" [7]="Quit"
  [11]="Product options" [12]="USB version" [13]="RS232 version"
  [21]="Only user with Administrator rigths can run this program!"
)

# The language file that setup picks in a package folder for $lang_code; prints
# nothing when it picks none (language "auto" without a folder).
language_file() {  # language_file PACKAGE_DIR
  local dir=$1 language folder pack
  language=$(ini_value "$dir/default.ini" LanguagePacks language) || language=auto
  if [ "${language,,}" != auto ]; then
    echo "$dir/default.ini"
    return
  fi
  folder=$(ini_value "$dir/default.ini" LanguagePacks folder) || folder=""
  [ -n "$folder" ] || return 0
  if pack=$(package_file "$dir" "$folder\\language.$lang_code"); then
    echo "$pack"
  else
    echo "$dir/default.ini"
  fi
}

# Text N as setup shows it with a language file: the file's [SetupText] key when
# the section holds any key, else the built-in text.
ui_text() {  # ui_text LANGUAGE_FILE N
  local value
  if ini_section_has_keys "$1" SetupText && value=$(ini_value "$1" SetupText "Text$2"); then
    echo "$value"
  else
    echo "${builtin_text[$2]}"
  fi
}

# Text1 with the version placeholders filled from [System] of the configuration.
window_caption() {  # window_caption CONFIGURATION_FILE LANGUAGE_FILE
  local text version release major minor
  text=$(ui_text "$2" 1)
  version=$(ini_value "$1" System version) || version=3.23
  release=$(ini_value "$1" System release) || release=100614
  if [[ $version == *.* ]]; then
    major=${version%%.*}
    minor=${version#*.}
  elif [ ${#version} -le 2 ]; then
    major=""
    minor=$version
  else
    major=${version:0:${#version}-2}
    minor=${version: -2}
  fi
  text=${text/"!@MAJOR"/"$major"}
  text=${text/"!@MINOR"/"$minor"}
  text=${text/"!@RELEASE"/"$release"}
  echo "$text"
}

# A button caption: the text, with the accelerator appended when it has none.
with_accelerator() {  # with_accelerator TEXT KEY
  if [[ $1 == *"&"* ]]; then echo "$1"; else echo "$1 (&$2)"; fi
}

# A text as the clicker prints it.
quoted() {
  local s=$1
  s=${s//\\/\\\\}
  s=${s//\"/\\\"}
  s=${s//$'\t'/\\t}
  s=${s//$'\n'/\\n}
  s=${s//$'\r'/\\r}
  echo "\"$s\""
}

# The fixture's background: bands and a block of colour, so that a picture
# control that stays empty, or shows the picture shifted, is told apart.
draw_background() {  # draw_background FILE
  [ -n "$convert_cmd" ] || return 0
  "$convert_cmd" -size 400x240 gradient:'#1E4A8C-#F0C040' -fill '#C02020' -draw 'rectangle 40,40 120,200' \
    -fill '#20A040' -draw 'circle 200,120 200,170' "BMP3:$1" 2>/dev/null
}

make_package() {  # make_package DIR
  local dir=$1 background
  mkdir -p "$dir"
  if [ -f "$assembled/default.ini" ]; then
    cp -r "$assembled/." "$dir/"
  else
    if [ -f "$src/package/default.ini" ]; then
      cp -r "$src/package/." "$dir/"
    else
      cp -r "$src/tests/wine/fixture/default.ini" "$src/tests/wine/fixture/language" "$dir/"
      background=$(ini_value "$dir/default.ini" system background) && [ -n "$background" ] &&
        draw_background "$dir/${background//\\//}"
    fi
    package_file "$dir" setup.dll >/dev/null || cp "$exe_dir/wine-fixture/setup.dll" "$dir/"
  fi
  cp "$exe_dir/setup.exe" "$dir/"
}

# The package folder of the case being prepared.
pkg=""
new_package() {  # new_package NAME
  pkg=$work/$1/package
  rm -rf "$pkg"
  make_package "$pkg"
}

# Runs the clicker on setup.exe in the case's package folder (made here unless
# new_package made it for this case), in the system language chosen above and
# with further VAR=VALUE settings; its transcript goes to $artifacts/NAME.txt
# and into $out.
out=""
run_clicker() {  # run_clicker NAME [--env VAR=VALUE]... STEP... -- ARGUMENTS...
  local name=$1
  shift
  [ "$pkg" = "$work/$name/package" ] || new_package "$name"
  local settings=("${locale_env[@]}")
  while [ "${1:-}" = "--env" ]; do
    settings+=("$2")
    shift 2
  done
  local steps=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    steps+=(--step "$1")
    shift
  done
  shift
  env "${settings[@]}" timeout -k 5 $((step_timeout + 30)) "$wine_cmd" "$exe_dir/clicker.exe" \
    --timeout "$step_timeout" --cwd "$(winpath "$pkg")" "${steps[@]}" -- "$(winpath "$pkg/setup.exe")" "$@" \
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
expect_exact() {  # expect_exact LINE DESCRIPTION: some line of $out is LINE
  grep -Fxq -- "$1" <<<"$out" || problem "$2"
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
  expect_exact 'BOX caption="WARNING" text="Please specify product to install !" buttons="OK" icon=warning' \
    'warning box "Please specify product to install !" with caption "WARNING" and an OK button'
  expect_line '^EXIT code=0$' "exit code 0 after OK"
  report $name
}

# The colour at a point of the client area in a screenshot, as RRGGBB.
pixel() {  # pixel IMAGE CLIENT_X CLIENT_Y   (uses origin_x, origin_y)
  "$convert_cmd" "$1" -crop "1x1+$((origin_x + $2))+$((origin_y + $3))" -depth 8 txt:- 2>/dev/null |
    grep -Eo '#[0-9A-Fa-f]{6}' | head -n1 | tr -d '#'
}
near() {  # near RRGGBB RRGGBB [TOLERANCE]: every channel within TOLERANCE (24)
  local a=$1 b=$2 tolerance=${3:-24} i
  [ ${#a} -eq 6 ] && [ ${#b} -eq 6 ] || return 1
  for i in 0 2 4; do
    local d=$((16#${a:i:2} - 16#${b:i:2}))
    [ ${d#-} -le "$tolerance" ] || return 1
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

# The main window of the last transcript: its client origin within the frame.
client_origin() {
  local window_line
  window_line=$(grep -m1 '^WINDOW ' <<<"$out")
  [[ $window_line =~ origin=([0-9]+),([0-9]+) ]] || return 1
  origin_x=${BASH_REMATCH[1]}
  origin_y=${BASH_REMATCH[2]}
}

expect_control() {  # expect_control ID CLASS TEXT DESCRIPTION: a visible, enabled control with this text
  local line
  line=$(grep -m1 "^CONTROL id=$1 " <<<"$out")
  [[ $line == "CONTROL id=$1 class=$(quoted "$2") text=$(quoted "$3") visible=1 enabled=1 "* ]] ||
    problem "$4: expected $(quoted "$3"), found: ${line:-no control $1}"
}

# The picture control (Image1, at 3,3 of the client area) against the package's
# background: the picture's top left part, left of the product choice and the
# buttons and above the label, must appear unchanged; without a background the
# area is one flat colour.
check_background() {  # check_background SCREENSHOT CONFIGURATION_FILE
  local shot=$1 background picture area=$work/picture-area.png reference=$work/picture-reference.png
  if [ -z "$convert_cmd" ]; then
    echo "NOTE: ImageMagick's convert is missing; the background picture is not checked"
    return
  fi
  client_origin || {
    problem "no client origin reported"
    return
  }
  local x=$((origin_x + 3)) y=$((origin_y + 3)) width=240 height=300
  background=$(ini_value "$2" system background) || background=""
  if [[ $background =~ ^[A-Za-z]:|^\\ ]]; then
    echo "NOTE: the background $background is not in the package; the picture is not checked"
    return
  fi
  if [ -z "$background" ] || ! picture=$(package_file "$pkg" "$background"); then
    "$convert_cmd" "$shot" -crop "${width}x${height}+$x+$y" +repage "$area"
    local spread
    spread=$("$convert_cmd" "$area" -format '%[fx:standard_deviation]' info: 2>/dev/null)
    awk -v s="${spread:-1}" 'BEGIN { exit !(s < 0.005) }' ||
      problem "no background picture configured, yet the picture control is not one flat colour"
    return
  fi
  local size
  size=$("$convert_cmd" "${picture}[0]" -format '%w %h' info: 2>/dev/null)
  if ! [[ $size =~ ^([0-9]+)\ ([0-9]+)$ ]]; then
    problem "ImageMagick cannot read the background picture $picture"
    return
  fi
  [ "${BASH_REMATCH[1]}" -lt $width ] && width=${BASH_REMATCH[1]}
  [ "${BASH_REMATCH[2]}" -lt $height ] && height=${BASH_REMATCH[2]}
  "$convert_cmd" "$shot" -crop "${width}x${height}+$x+$y" +repage "$area"
  "$convert_cmd" "${picture}[0]" -crop "${width}x${height}+0+0" +repage -alpha off "$reference"
  local distortion shown_spread picture_spread
  distortion=$("$convert_cmd" "$area" "$reference" -metric RMSE -compare -format '%[distortion]' info: 2>/dev/null)
  shown_spread=$("$convert_cmd" "$area" -format '%[fx:standard_deviation]' info: 2>/dev/null)
  picture_spread=$("$convert_cmd" "$reference" -format '%[fx:standard_deviation]' info: 2>/dev/null)
  if awk -v shown="${shown_spread:-0}" -v picture="${picture_spread:-0}" \
    'BEGIN { exit !(picture > 0.02 && shown < 0.005) }'; then
    problem "the picture control shows one flat colour, not the background $background"
  fi
  awk -v d="${distortion:-1}" 'BEGIN { exit !(d < 0.05) }' ||
    problem "the picture control differs from the background $background (RMSE ${distortion:-unknown} over ${width}x${height} from its top left corner)"
}

# A colour value of the configuration as RRGGBB; fails for a system colour
# (0xFF000000 plus its number) and for what is no number.
rgb_of_color() {  # rgb_of_color VALUE
  local value=$1 sign="" number largest=2147483647
  [[ $value == [-+]* ]] && sign=${value:0:1} && value=${value:1}
  [ "$sign" = - ] && largest=2147483648
  if [[ $value =~ ^(\$|0[xX]|[xX])([0-9A-Fa-f]{1,8})$ ]]; then
    number=$((16#${BASH_REMATCH[2]}))
  elif [[ $value =~ ^[0-9]{1,10}$ ]] && [ $((10#$value)) -le $largest ]; then
    number=$((10#$value))
  else
    return 1
  fi
  [ "$sign" = - ] && number=$(((-number) & 0xFFFFFFFF))
  [ $((number & 0xFF000000)) -eq 0 ] || return 1
  printf '%02X%02X%02X\n' $((number & 0xFF)) $(((number >> 8) & 0xFF)) $(((number >> 16) & 0xFF))
}

# A control's rectangle in client coordinates from the last transcript.
control_rect() {  # control_rect ID: sets rect_x rect_y rect_w rect_h
  local line
  line=$(grep -m1 "^CONTROL id=$1 " <<<"$out")
  [[ $line =~ \ rect=([0-9]+),([0-9]+),([0-9]+)x([0-9]+)\  ]] || return 1
  rect_x=${BASH_REMATCH[1]} rect_y=${BASH_REMATCH[2]} rect_w=${BASH_REMATCH[3]} rect_h=${BASH_REMATCH[4]}
}

# The product choice takes the window's colour, its option buttons included:
# the right end of the USB option, beyond its text, shows the same colour as
# the group's inside below the options, and that is the configured formcolor
# when it is a plain colour.
check_product_colors() {  # check_product_colors SCREENSHOT CONFIGURATION_FILE
  [ -n "$convert_cmd" ] || return 0
  grep -q '^CONTROL id=1004 .* visible=1 ' <<<"$out" || return 0
  if ! client_origin || ! control_rect 1004; then
    problem "no product choice position reported"
    return
  fi
  local group option expected
  group=$(pixel "$1" $((rect_x + 10)) $((rect_y + rect_h - 6)))
  control_rect 1005 || {
    problem "no USB option reported"
    return
  }
  option=$(pixel "$1" $((rect_x + rect_w - 3)) $((rect_y + rect_h / 2)))
  # Exact: the button face differs from a light window colour by only a few steps.
  near "$option" "$group" 2 ||
    problem "the USB option shows #$option behind it, the product choice around it #$group: the option buttons do not take the window's colour"
  if expected=$(rgb_of_color "$(ini_value "$2" system formcolor)"); then
    near "$group" "$expected" 2 || problem "the product choice shows #$group, not the formcolor #$expected"
    expect_color "$1" 100 335 "$expected" "formcolor on Panel1"
  fi
}

# Without the package library, setup stops before its window with a warning box
# and ends regularly.
case_no_setup_dll() {
  local name=no-setup-dll
  new_package $name
  find "$pkg" -maxdepth 1 -iname setup.dll -delete
  run_clicker $name "box OK" exit nowindow -- || problem "clicker failed"
  expect_exact 'BOX caption="ERROR" text="SETUP.DLL not found!" buttons="OK" icon=warning' \
    'warning box "SETUP.DLL not found!" with caption "ERROR" and an OK button'
  expect_exact 'EXIT code=0' "exit code 0 after OK"
  expect_exact 'NO WINDOW' "no main window"
  report $name
}

# Without the package configuration, setup stops with an information box; the
# application title, and so the box's caption, is not set yet.
case_no_configuration() {
  local name=no-configuration
  new_package $name
  find "$pkg" -maxdepth 1 \( -iname default.ini -o -iname setup.ini \) -delete
  run_clicker $name "box OK" exit nowindow -- || problem "clicker failed"
  expect_exact 'BOX caption="" text="ERROR : Can'\''t retrieve setup configuration file#1! Setup aborted!" buttons="OK" icon=none' \
    'information box "ERROR : Can'\''t retrieve setup configuration file#1! Setup aborted!" without caption or icon'
  expect_exact 'EXIT code=0' "exit code 0 after OK"
  expect_exact 'NO WINDOW' "no main window"
  report $name
}

# Wine's own account query (the administrator double set aside) reports no
# administrator: setup shows Text21 of the language file in an information box
# and ends.
case_not_administrator() {
  local name=not-administrator lang text
  new_package $name
  lang=$(language_file "$pkg")
  text=$(ui_text "$lang" 21)
  run_clicker $name --env "WINEDLLOVERRIDES=$WINEDLLOVERRIDES;netapi32=b" "box OK" exit nowindow -- ||
    problem "clicker failed"
  expect_exact "BOX caption=\"\" text=$(quoted "$text") buttons=\"OK\" icon=none" \
    "information box with Text21 of ${lang#"$pkg"/}: $(quoted "$text")"
  expect_exact 'EXIT code=0' "exit code 0 after OK"
  expect_exact 'NO WINDOW' "no main window"
  report $name
}

# The window in the system's language: the caption is Text1 of the language
# file with the package version filled in, the buttons carry Text5 and Text7
# (with an accelerator where the text has none), and the background picture
# fills the picture control.
case_startup_window() {
  local name=startup-window shot=$work/startup-window.bmp lang caption
  new_package $name
  lang=$(language_file "$pkg")
  [ -n "$lang" ] || problem "the package names no language file for $lang_code"
  caption=$(window_caption "$pkg/default.ini" "$lang")
  run_clicker $name window "capture $(winpath "$shot")" "click #1010" exit -- || problem "clicker failed"
  local window_line source=${lang#"$pkg"/}
  window_line=$(grep -m1 '^WINDOW ' <<<"$out")
  [[ $window_line == "WINDOW class=\"TVEXA_Form1\" caption=$(quoted "$caption") "* ]] ||
    problem "caption from Text1 of $source with the version of default.ini: expected $(quoted "$caption")"
  expect_control 1008 Button "$(with_accelerator "$(ui_text "$lang" 5)" i)" "Install button (Text5 of $source)"
  expect_control 1010 Button "$(with_accelerator "$(ui_text "$lang" 7)" x)" "Exit button (Text7 of $source)"
  local line
  line=$(grep -m1 '^CONTROL id=1012 ' <<<"$out")
  [[ $line == "CONTROL id=1012 class=\"Button\" text=$(quoted "$(ui_text "$lang" 6)") "* ]] ||
    problem "Uninstall button (Text6 of $source), hidden: expected $(quoted "$(ui_text "$lang" 6)")"
  local id number
  for id in 1004 1005 1006; do
    number=$((id - 1004 + 11))
    line=$(grep -m1 "^CONTROL id=$id " <<<"$out")
    [[ $line == "CONTROL id=$id class=\"Button\" text=$(quoted "$(ui_text "$lang" $number)") "* ]] ||
      problem "product choice (Text$number of $source): expected $(quoted "$(ui_text "$lang" $number)")"
  done
  expect_line '^CAPTURED ' "screenshot taken"
  if [ -f "$shot" ]; then
    check_background "$shot" "$pkg/default.ini"
    check_product_colors "$shot" "$pkg/default.ini"
    if [ -n "$convert_cmd" ] && "$convert_cmd" "$shot" "$artifacts/startup-window.png" 2>/dev/null; then
      :
    else
      cp "$shot" "$artifacts/startup-window.bmp"
    fi
  fi
  expect_line '^CLICKED .* id=1010$' "Exit clicked"
  expect_exact 'EXIT code=0' "exit code 0 after Exit"
  report $name
}

# Installed mode: beside the setup.ini that an install wrote, setup started
# without a switch ends silently, never showing its window or a box.
case_installed_mode() {
  local name=installed-mode config
  new_package $name
  if config=$(package_file "$pkg" default.ini); then
    cp "$config" "$pkg/setup.ini"
  else
    problem "the package has no default.ini to copy"
  fi
  run_clicker $name exit nowindow -- || problem "clicker failed"
  expect_exact 'EXIT code=0' "exit code 0, no box on the way"
  expect_exact 'NO WINDOW' "no main window at any time"
  report $name
}

# The seam's conformance scenarios (tests/conformance) against the Win32
# backend: every result as Windows documents it, or a Wine departure that the
# scenario names with its reason.
case_conformance() {
  local name=conformance status
  if [ ! -f "$exe_dir/conformance.exe" ]; then
    problem "no conformance.exe in $exe_dir"
    report $name
    return
  fi
  timeout -k 5 600 "$wine_cmd" "$exe_dir/conformance.exe" >"$artifacts/$name.txt" 2>"$work/$name.stderr"
  status=$?
  out=$(tr -d '\r' <"$artifacts/$name.txt")
  grep -E '^(conformance:|NOTE|  KNOWN|[0-9]+ scenarios:)' <<<"$out" | sed 's/^/    /'
  [ "$status" -eq 0 ] || problem "conformance.exe ended with exit code $status"
  expect_line '^[0-9]+ scenarios: [0-9]+ passed, [0-9]+ with known Wine departures, 0 failed' \
    "every scenario passes or departs only where Wine is known to"
  report $name
}

case_conformance
case_main_window
case_close_box
case_bad_product
case_toolkit
case_no_setup_dll
case_no_configuration
case_not_administrator
case_startup_window
case_installed_mode

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
