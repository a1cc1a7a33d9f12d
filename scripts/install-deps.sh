#!/usr/bin/env bash
# Installs every package the build and the tests need on a fresh Debian machine.
# Safe to run again: packages already present are skipped by apt.
set -euo pipefail

need_sudo=""
if [ "$(id -u)" != "0" ]; then need_sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

if [ "${1:-all}" = "all" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $need_sudo dpkg --add-architecture i386
  $need_sudo apt-get update -q
fi

# "host" installs what the host build and its tests need; "all" (the default)
# adds MinGW-w64 for setup.exe and Wine with Xvfb for the tests of the real executable.
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev clang-format)
if [ "${1:-all}" = "all" ]; then
  packages+=(
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 mingw-w64-tools
    wine wine32:i386 wine64 xvfb x11-utils imagemagick xauth locales
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  $need_sudo apt-get update -q
  $need_sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
