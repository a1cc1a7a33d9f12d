#!/usr/bin/env bash
# The vendor's option per embedded image (src/deploy/payloads/payloads.cmake):
# the configure step refuses a file that is not a PE image of the image's
# machine type with a clear message, and embeds a file that is one, byte for
# byte.
#
#   tests/deploy/payloads/vendor_option_check.sh BUILD_DIR     e.g. build/windows
#
# BUILD_DIR is a windows build whose payloads/ holds the built stand-ins (x86
# and x64), used here as the vendor's files. Each case configures a scratch
# build folder; only the embedded source is generated, nothing is compiled.
# Prints one line per check and "N passed, N failed" last.
set -uo pipefail

if [ $# -ne 1 ] || [ ! -f "$1/payloads/x86/dpinst.exe" ] || [ ! -f "$1/payloads/x64/devcon.exe" ]; then
  echo "usage: $0 BUILD_DIR (a windows build with its stand-ins in BUILD_DIR/payloads)" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d /tmp/vendor-option.XXXXXX)
trap 'rm -rf "$work"' EXIT

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
configure() {  # DIR OPTION=FILE: the configure step's exit code; its output in DIR.log
  cmake -S "$src" -B "$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel "-D$2" >"$1.log" 2>&1
  echo $?
}
# The message, joined into one line (CMake wraps long messages).
message_of() { tr -s ' \n' ' ' <"$1.log"; }

cp "$src/package/readme.txt" "$work/readme.txt"
check "a text file is refused" 1 "$(configure "$work/text" "SETUP_DPINST_X64_IMAGE=$work/readme.txt")"
check "the refusal says why" 1 \
  "$(message_of "$work/text" | grep -c 'SETUP_DPINST_X64_IMAGE: .*readme.txt cannot be embedded as DPInst (x64): it does not start with the MZ signature')"

check "an x86 image is refused as the x64 one" 1 \
  "$(configure "$work/machine" "SETUP_DPINST_X64_IMAGE=$build/payloads/x86/dpinst.exe")"
check "the refusal names both machine types" 1 \
  "$(message_of "$work/machine" | grep -c 'it is built for machine type 0x014c, not 0x8664')"

printf 'MZ' >"$work/tiny.exe"
check "a file too small for an executable is refused" 1 "$(configure "$work/tiny" "SETUP_DEVCON_X64_IMAGE=$work/tiny.exe")"
check "the refusal gives its size" 1 "$(message_of "$work/tiny" | grep -c 'it is too small to be an executable (2 bytes)')"

check "a missing file is refused" 1 "$(configure "$work/missing" "SETUP_DEVCON_X86_IMAGE=$work/none.exe")"
check "the refusal names the file" 1 "$(message_of "$work/missing" | grep -c 'SETUP_DEVCON_X86_IMAGE: no such file')"

# Another x64 image in place of DPInst x64: accepted, and embedded as it is.
vendor=$build/payloads/x64/devcon.exe
check "an x64 image of the vendor is accepted" 0 "$(configure "$work/vendor" "SETUP_DPINST_X64_IMAGE=$vendor")"
check "the configure step says which file it embeds" 1 \
  "$(message_of "$work/vendor" | grep -c "Embedding DPInst (x64) from $vendor")"
ninja -C "$work/vendor" payloads/dpinst_x64.cpp >"$work/generate.log" 2>&1
embedded=$(grep -o '0x[0-9a-f][0-9a-f]' "$work/vendor/payloads/dpinst_x64.cpp" | sed 's/^0x//' | tr -d '\n')
check "the embedded bytes are the vendor's file" "$(od -An -v -tx1 "$vendor" | tr -d ' \n')" "$embedded"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
