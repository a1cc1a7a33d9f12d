#!/usr/bin/env bash
# Installs everything, then runs every test: the host suite under AddressSanitizer
# and UndefinedBehaviorSanitizer, the format check, setup.exe's build and its
# tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh all

echo "== format check"
git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format --dry-run --Werror

echo "== host build and tests (sanitizers on)"
cmake --preset host-asan
cmake --build --preset host-asan -j2
ctest --preset host-asan -j2

echo "== setup.exe"
cmake --preset windows
cmake --build --preset windows -j2

echo "== setup.exe under Wine"
tests/wine/run.sh build/windows
