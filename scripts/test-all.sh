#!/usr/bin/env bash
# Installs everything, then runs every test: the format check, the host suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, setup.exe's build with
# the sample package, the package check on the assembled package, the vendor
# image options, the package tools under Wine, setup.exe under Wine, the device
# and registry routines and the file routines under Wine, and setup-sim.exe
# (the package check and the simulated PC) under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh all

echo "== format check"
git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format --dry-run --Werror

echo "== host build and tests (sanitizers on)"
cmake --preset host-asan
cmake --build --preset host-asan -j2
ctest --preset host-asan -j2 -E '^Runs/FaultSweep\.'
echo "== fault sweep (sanitizers on)"
build/host-asan/setup_tests --gtest_filter='Runs/FaultSweep.*' --gtest_brief=1

echo "== setup.exe and the sample package"
cmake --preset windows
cmake --build --preset windows -j2
build/host-asan/setup-sim --check-package build/windows/package
# With the four stand-in images embedded, setup.exe stays under 1.5 MB.
setup_size=$(stat -c %s build/windows/setup.exe)
echo "setup.exe: $setup_size bytes"
[ "$setup_size" -lt 1572864 ] || { echo "setup.exe is 1.5 MB or more" >&2; exit 1; }

echo "== vendor images embedded instead of the stand-ins"
tests/deploy/payloads/vendor_option_check.sh build/windows

echo "== package tools under Wine"
package/tools/tests/wine_check.sh build/windows/package

echo "== setup.exe under Wine"
tests/wine/run.sh build/windows

echo "== device and registry routines under Wine"
tests/wine/devices_run.sh build/windows

echo "== setup's file routines under Wine"
tests/wine/files_check.sh build/windows

echo "== setup-sim.exe under Wine"
tests/wine/package_check.sh build/windows build/host-asan/setup-sim
