#!/usr/bin/env bash
# Builds and runs every test: the portable logic natively (with sanitizers), a short fuzz run of
# every fuzz target, then the Windows build under Wine: the same unit tests, the Windows-side
# tests and the end-to-end tests against the real Velkin.exe on a private X display. Prints how
# long each stage took; docs/testing.md tells what they do.
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

native_build() {
    cmake --preset native >/dev/null
    cmake --build --preset native
}

windows_build() {
    cmake --preset windows >/dev/null
    # Only what the tests run (the benchmarks are built by bench/run.sh).
    local programs
    programs=$(python3 scripts/test_programs.py build/windows)
    # shellcheck disable=SC2086 # one path per line, none with blanks
    ninja -C build/windows $programs
}

# Work that needs no core of its own runs beside the stages that keep both busy waiting: the Wine
# prefix, which mostly waits for Wine's programs, is made beside the builds, and the fuzz
# targets are built and run beside the tests under Wine, which mostly wait for windows and
# processes. Each runs in a process group of its own, so that an early exit ends it; its
# output is kept apart and shown when it is joined, and its result counts like any stage's.
declare -A beside_pids=()
beside() {
    local name=$1
    shift
    mkdir -p build
    setsid "$@" >"build/$name.log" 2>&1 &
    beside_pids[$name]=$!
}
join_beside() {
    local name=$1 failed=0
    wait "${beside_pids[$name]}" || failed=$?
    unset "beside_pids[$name]"
    cat "build/$name.log"
    return "$failed"
}
trap 'for pid in "${beside_pids[@]}"; do kill -- "-$pid" 2>/dev/null; done' EXIT

stage "machine set-up" scripts/setup-machine.sh
beside wine-prefix scripts/wine-run.sh build/windows
stage "native build" native_build
stage "native unit tests" ctest --preset native
stage "Windows build" windows_build
stage "Wine prefix (the rest of it)" join_beside wine-prefix
beside fuzz-smoke fuzz/smoke.sh
stage "tests under Wine (the fuzz targets built and run beside them)" \
    scripts/with-wine-session.sh build/windows ctest --preset windows
stage "fuzz targets: build and a short run of each (the rest of it)" join_beside fuzz-smoke

echo "Test artifacts (screenshots): $root/build/windows/artifacts"
echo "Time per stage:"
printf '  %s\n' "${stages[@]}"
printf '  %4d s  all\n' $((SECONDS - began))
