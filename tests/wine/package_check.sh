#!/usr/bin/env bash
# setup-sim.exe, the Windows console build of setup-sim, under Wine: the
# package check on the sample package as the build assembled it, on the
# repository's package sources and on a broken copy; and one run of the
# simulated PC, whose output and saved machine must equal those of the host
# build.
#
#   tests/wine/package_check.sh BUILD_DIR [HOST_SETUP_SIM]
#
# BUILD_DIR holds setup-sim.exe and the assembled sample package (the windows
# preset). HOST_SETUP_SIM is the host build's setup-sim for the comparison
# (default: build/host-asan/setup-sim or build/host/setup-sim, when built);
# without one that case is skipped. Where this Wine runs 64-bit programs only,
# setup-sim.exe is built for x86-64 into BUILD_DIR/wine-x64 and run instead, as
# the other Wine tests do. Prints one line per check and "N passed, N failed"
# last; exits non-zero when a check failed, 0 with SKIP when Wine or MinGW-w64
# are missing.
set -uo pipefail
export LC_ALL=C

if [ $# -lt 1 ] || [ $# -gt 2 ] || [ ! -d "$1" ]; then
  echo "usage: $0 BUILD_DIR [HOST_SETUP_SIM]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
host_sim=""
if [ $# -eq 2 ]; then
  [ -x "$2" ] || { echo "error: $2 is not the host build's setup-sim" >&2; exit 2; }
  host_sim=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
else
  for candidate in "$src/build/host-asan/setup-sim" "$src/build/host/setup-sim"; do
    if [ -x "$candidate" ]; then host_sim=$candidate; break; fi
  done
fi

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
[ -n "$wine_cmd" ] || skip "Wine is not installed; setup-sim.exe was not checked under Wine"
if [ ! -f "$build/setup-sim.exe" ]; then
  command -v i686-w64-mingw32-g++-win32 >/dev/null 2>&1 ||
    skip "MinGW-w64 is not installed, so there is no setup-sim.exe to check under Wine"
  echo "error: $build has no setup-sim.exe: build the windows preset first" >&2
  exit 2
fi
wineserver_cmd=$(command -v wineserver || echo /usr/lib/wine/wineserver)

work=$(mktemp -d /tmp/setup-sim-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  timeout 30 "$wineserver_cmd" -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# --- Which build runs here ---------------------------------------------------

exe_dir=$build
# With --help it prints its usage and exits 0, when this Wine runs it at all.
if ! timeout 300 "$wine_cmd" "$build/setup-sim.exe" --help >/dev/null 2>&1 </dev/null; then
  wine64_cmd=$(command -v wine64 || echo /usr/lib/wine/wine64)
  command -v x86_64-w64-mingw32-g++-win32 >/dev/null 2>&1 && [ -x "$wine64_cmd" ] ||
    skip "this Wine cannot run 32-bit programs, and no 64-bit Wine and MinGW-w64 are there"
  echo "NOTE: this Wine cannot run 32-bit programs; checking setup-sim.exe built for x86-64 in $build/wine-x64"
  exe_dir=$build/wine-x64
  if ! { { [ -f "$exe_dir/build.ninja" ] ||
           cmake -S "$src" -B "$exe_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake" \
             -DCMAKE_BUILD_TYPE=MinSizeRel >"$work/x64-configure.log" 2>&1; } &&
         cmake --build "$exe_dir" -j2 --target setup-sim sample_package >"$work/x64-build.log" 2>&1; }; then
    echo "error: the x86-64 build failed" >&2
    tail -30 "$work/x64-configure.log" "$work/x64-build.log" 2>/dev/null >&2
    exit 2
  fi
  wine_cmd=$wine64_cmd
  timeout 300 "$wine_cmd" "$exe_dir/setup-sim.exe" --help >/dev/null 2>&1 </dev/null ||
    { echo "error: Wine cannot run the x86-64 setup-sim.exe either" >&2; exit 2; }
fi
cp "$exe_dir/setup-sim.exe" "$work/setup-sim.exe"

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
# Runs setup-sim.exe in $work with the arguments; output in $out, exit code in $status.
sim() {
  (cd "$work" && timeout 300 "$wine_cmd" "$work/setup-sim.exe" "$@" >"$work/stdout" 2>"$work/stderr" </dev/null)
  status=$?
  out=$(tr -d '\r' <"$work/stdout")
}

# --- The package check --------------------------------------------------------

cp -r "$exe_dir/package" "$work/assembled"
sim --check-package assembled
check "the assembled sample package passes" "0|assembled: no problems" "$status|$out"

# The sources as the repository holds them, tools' sources and build scripts included.
cp -r "$src/package" "$work/sources"
sim --check-package sources
check "the sample package's sources pass, checked without their programs" \
  "0|note: sources holds no setup.exe, so it is checked as a package's sources: its programs and libraries were not looked for|sources: no problems" \
  "$status|$(paste -sd'|' <<<"$out")"

cp -r "$exe_dir/package" "$work/broken"
rm "$work/broken/xp64/vtouch.sys"
sed -i 's/^formcolor=.*\r$/formcolor=white\r/' "$work/broken/default.ini"
sim --check-package broken
check "a broken copy: one line per mistake and exit code 1" \
  "1|default.ini [system] formcolor: \"white\" is not a number; setup uses the default 0xFF00000F|xp64\\vtouch.sys: missing from the package; the USB install on 64-bit Windows Vista and later needs it|broken: 2 problems" \
  "$status|$(paste -sd'|' <<<"$out")"

sim --check-package missing
check "a folder that is not there: exit code 2" "2" "$status"

# --- The simulated PC on Windows --------------------------------------------------

if [ -z "$host_sim" ]; then
  echo "SKIP the simulated PC's run: no host build of setup-sim to compare with (build the host preset)"
else
  # The sample machine with the sample package in C:\Package, as scripts/demo.sh sets it up.
  cp -r "$src/samples/machine" "$work/machine"
  (cd "$src/package" && find . -path ./tools -prune -o -type f ! -name '*.py' ! -name '*.cmake' \
     ! -name '.gitattributes' -print) | while read -r file; do
    mkdir -p "$work/machine/C/Package/$(dirname "$file")"
    cp "$src/package/$file" "$work/machine/C/Package/$file"
  done
  cp -r "$work/machine" "$work/host-machine"
  run=(--answer-all 1 --click RadioButton2 --click InstallButton)
  sim --machine machine "${run[@]}"
  wine_out=$out
  wine_status=$status
  host_out=$(cd "$work" && "$host_sim" --machine host-machine "${run[@]}" 2>/dev/null)
  host_status=$?
  check "a run on the sample machine ends as on the host" "$host_status" "$wine_status"
  check "a run on the sample machine prints what it prints on the host" "$host_out" "$wine_out"
  check "the machine is saved as on the host" "" "$(diff -r "$work/host-machine" "$work/machine" 2>&1 | head -5)"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
