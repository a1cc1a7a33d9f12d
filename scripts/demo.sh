#!/usr/bin/env bash
# Installs what the host build needs, builds it, and runs the setup program on
# a copy of the built-in sample machine (Windows 7 64-bit, German system
# language) with the sample driver package of package/ in C:\Package: the user
# picks the RS-232 product and clicks Install. The run's trace, boxes and command lines are printed; the
# machine folder after the run is kept in build/demo-machine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh host
cmake --preset host >/dev/null
cmake --build --preset host -j2 --target setup-sim

rm -rf build/demo-machine
cp -r samples/machine build/demo-machine
# The package's files; its tools are modelled by the simulated PC.
(cd package && find . -path ./tools -prune -o -type f ! -name '*.py' ! -name '*.cmake' ! -name '.gitattributes' -print |
  while read -r file; do
    mkdir -p "../build/demo-machine/C/Package/$(dirname "$file")"
    cp "$file" "../build/demo-machine/C/Package/$file"
  done)
build/host/setup-sim --machine build/demo-machine --answer-all 1 --click RadioButton2 --click InstallButton "$@"
echo "== the machine after the run: build/demo-machine"
