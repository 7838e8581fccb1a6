#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) over its seed corpus for SECONDS each (default 5),
# as CTest tests fuzz_smoke_<target>: builds the fuzz preset (clang, libFuzzer, ASan, UBSan)
# and runs as many targets at once as there are processors. What a run finds stays in the
# build's corpus folders, so the next run starts from there. A failing property or sanitizer
# report fails the run; the input that caused it is left in build/fuzz/fuzz/artifacts/.
#
#   fuzz/smoke.sh [SECONDS [TARGET...]]     e.g. fuzz/smoke.sh 3600 drop_groups
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${1:-5}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [SECONDS [TARGET...]]" >&2
    exit 2
fi
shift || true
only=()
if [ $# -gt 0 ]; then
    only=(--tests-regex "^fuzz_smoke_($(IFS='|'; echo "$*"))\$" --no-tests=error)
fi

cmake --preset fuzz -DVELKIN_FUZZ_SMOKE_SECONDS="$seconds" >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz -j "$(nproc)" "${only[@]}"
