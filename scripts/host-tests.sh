#!/usr/bin/env bash
# The tests that run on this machine itself, no Wine needed: the portable logic's unit tests,
# built natively with sanitizers, then a short run of every fuzz target (fuzz/smoke.sh).
# scripts/test.sh runs this beside the tests under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

cmake --preset native >/dev/null
cmake --build --preset native
echo "== native build: $SECONDS s"
ctest --preset native
echo "== native unit tests: $SECONDS s from the start"
fuzz/smoke.sh
echo "== fuzz targets built and run: $SECONDS s from the start"
