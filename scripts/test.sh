#!/usr/bin/env bash
# Builds and runs every test: the Windows build under Wine (the unit tests, the Windows-side
# tests and the end-to-end tests against the real Velkin.exe on a private X display) and, beside
# it, the portable logic natively (with sanitizers) and a short fuzz run of every fuzz target.
# Prints how long each stage took; docs/testing.md tells what they do.
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

# Making the Wine prefix mostly waits for Wine's programs, so it runs beside the Windows build.
# The tests under Wine spend most of their time waiting for windows and processes, so the
# host's own tests (native unit tests and fuzz targets) are built and run beside them, at the
# lowest priority: they take only the time those leave. Each runs in a process group of its
# own, so that an early exit ends it; its output is kept apart and shown when it is joined, and
# its result counts like any stage's.
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
# real-7zip.sh makes the prefix first, then fetches the real 7-Zip into it.
beside wine-prefix scripts/real-7zip.sh build/windows
stage "Windows build" windows_build
stage "Wine prefix (the rest of it)" join_beside wine-prefix
beside host-tests nice -n 19 scripts/host-tests.sh
stage "tests under Wine (the host's tests built and run beside them)" \
    scripts/with-wine-session.sh build/windows ctest --preset windows
stage "native unit tests and fuzz targets (the rest of them)" join_beside host-tests

echo "Test artifacts (screenshots): $root/build/windows/artifacts"
echo "Time per stage:"
printf '  %s\n' "${stages[@]}"
printf '  %4d s  all\n' $((SECONDS - began))
