#!/usr/bin/env bash
# Installs everything, then runs every test: the format check, the host suite
# under AddressSanitizer and UndefinedBehaviorSanitizer, setup.exe's build with
# the sample package, the package check, the package tools under Wine,
# setup.exe under Wine and the device and registry routines under Wine.
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
python3 package/tools/tests/check_package.py build/windows/package

echo "== package tools under Wine"
package/tools/tests/wine_check.sh build/windows/package

echo "== setup.exe under Wine"
tests/wine/run.sh build/windows

echo "== device and registry routines under Wine"
tests/wine/devices_run.sh build/windows
