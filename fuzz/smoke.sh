#!/usr/bin/env bash
# A short run of every fuzz target over its seed corpus, as CTest tests fuzz_smoke_<target>:
# builds the fuzz preset (clang, libFuzzer, ASan, UBSan) and runs each target for SECONDS
# (default 5), as many at once as there are processors. A failing property or sanitizer report
# fails the run; the input that caused it is left in build/fuzz/fuzz/artifacts/. Longer runs:
# bench/fuzz-long.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${1:-5}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi

cmake --preset fuzz -DVELKIN_FUZZ_SMOKE_SECONDS="$seconds" >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz -j "$(nproc)"
