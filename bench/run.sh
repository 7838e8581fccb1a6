#!/usr/bin/env bash
# Builds the Windows programs and prints Velkin's start-up time next to a bare window
# program's, both run under Wine on a private X display.
# Usage: bench/run.sh [--build-dir DIR] [--runs N] [--warmup N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

build_dir=build/windows
if [ "${1:-}" = "--build-dir" ]; then
    build_dir=$2
    shift 2
fi

cmake --preset windows -B "$build_dir" >/dev/null
cmake --build "$build_dir" --target bench_startup
scripts/with-wine-session.sh "$build_dir" wine "$build_dir/bin/bench_startup.exe" "$@"
