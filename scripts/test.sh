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

# The tests under Wine spend most of their time waiting for windows and processes, so the fuzz
# targets are built and run beside them, on cores that would otherwise idle. Their output is
# kept apart and shown when they are done, and their result counts like any stage's.
fuzz_log=build/fuzz-smoke.log
fuzz_pid=
fuzz_beside() {
    mkdir -p build
    # A group of its own, so that an early exit ends the fuzzers with it.
    setsid fuzz/smoke.sh >"$fuzz_log" 2>&1 &
    fuzz_pid=$!
}
fuzz_result() {
    local failed=0
    wait "$fuzz_pid" || failed=$?
    fuzz_pid=
    cat "$fuzz_log"
    return "$failed"
}
trap '[ -z "$fuzz_pid" ] || kill -- "-$fuzz_pid" 2>/dev/null' EXIT

stage "machine set-up" scripts/setup-machine.sh
stage "native build" bash -c 'cmake --preset native >/dev/null && cmake --build --preset native'
stage "native unit tests" ctest --preset native
stage "Windows build" windows_build
stage "Wine prefix" scripts/wine-run.sh build/windows
fuzz_beside
stage "tests under Wine (the fuzz targets built and run beside them)" \
    scripts/with-wine-session.sh build/windows ctest --preset windows
stage "fuzz targets: build and a short run of each (the rest of it)" fuzz_result

echo "Test artifacts (screenshots): $root/build/windows/artifacts"
echo "Time per stage:"
printf '  %s\n' "${stages[@]}"
printf '  %4d s  all\n' $((SECONDS - began))
