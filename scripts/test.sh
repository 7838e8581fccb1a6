#!/usr/bin/env bash
# Builds and runs every test: the portable logic natively (with sanitizers), a short fuzz run of
# every fuzz target, then the Windows build under Wine: the same unit tests, the Windows-side
# tests and the end-to-end tests against the real Velkin.exe on a private X display. Prints how
# long each stage took; docs/testing.md tells what they do and where the time goes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

began=$SECONDS
stages=()
stage() {
    local name=$1 start=$SECONDS
    shift
    echo "== $name"
    "$@"
    stages+=("$(printf '%4d s  %s' $((SECONDS - start)) "$name")")
    echo "== $name: $((SECONDS - start)) s"
}

windows_build() {
    cmake --preset windows >/dev/null
    # Only what the tests run (the benchmarks are built by bench/run.sh).
    local programs
    programs=$(python3 scripts/test_programs.py build/windows)
    # shellcheck disable=SC2086 # one path per line, none with blanks
    ninja -C build/windows $programs
}

stage "machine set-up" scripts/setup-machine.sh
stage "native build" bash -c 'cmake --preset native >/dev/null && cmake --build --preset native'
stage "native unit tests" ctest --preset native
stage "fuzz targets: build and a short run of each" fuzz/smoke.sh
stage "Windows build" windows_build
stage "Wine prefix" scripts/wine-prefix.sh "$root/build/windows/wineprefix"
stage "tests under Wine" scripts/with-wine-session.sh build/windows ctest --preset windows

echo "Test artifacts (screenshots): $root/build/windows/artifacts"
echo "Time per stage:"
printf '  %s\n' "${stages[@]}"
printf '  %4d s  all\n' $((SECONDS - began))
