#!/usr/bin/env bash
# A long fuzzing session: every fuzz target (or the ones named) for SECONDS each, default 600.
# What a run finds stays in the build's corpus folders, so the next session starts from there;
# an input that breaks a property is kept in build/fuzz/fuzz/artifacts/ and makes the script
# fail after the other targets have had their turn.
#
#   bench/fuzz-long.sh [SECONDS] [TARGET...]     e.g. bench/fuzz-long.sh 3600 drop_groups
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${1:-600}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [SECONDS] [TARGET...]" >&2
    exit 2
fi
shift || true

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

build=build/fuzz/fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for dir in fuzz/corpus/*/; do
        targets+=("$(basename "$dir")")
    done
fi

failed=()
for target in "${targets[@]}"; do
    binary=build/fuzz/bin/fuzz_$target
    if [ ! -x "$binary" ]; then
        echo "no fuzz target $target" >&2
        failed+=("$target")
        continue
    fi
    mkdir -p "$build/corpus/$target" "$build/artifacts"
    echo "== $target: ${seconds}s"
    if ! "$binary" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" \
        "$build/corpus/$target" "fuzz/corpus/$target" 2>"$build/$target-long.log"; then
        failed+=("$target")
    fi
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|fuzz check failed)|SUMMARY|^Done' \
        "$build/$target-long.log" || true
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "FAILED: ${failed[*]} (logs in $build/*-long.log, inputs in $build/artifacts/)" >&2
    exit 1
fi
echo "all ${#targets[@]} targets ran ${seconds}s each without a finding"
