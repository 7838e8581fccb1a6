#!/usr/bin/env bash
# Builds everything and runs every test: the portable logic natively (with sanitizers), then
# the Windows build under Wine: the same unit tests, the Windows-side tests and the end-to-end
# tests against the real Velkin.exe on a private X display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/setup-machine.sh

echo "== native build and unit tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== fuzz targets, a short run of each"
fuzz/smoke.sh 8

echo "== Windows build, tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows
scripts/with-wine-session.sh build/windows ctest --preset windows

echo "Test artifacts (screenshots): $root/build/windows/artifacts"
