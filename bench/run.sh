#!/usr/bin/env bash
# Builds the benchmarks and runs them all under Wine on a private X display, then prints one
# table: figure, value, aim, what it means. Every benchmark's own notes (all runs, minima and
# maxima, where the time goes) are kept in BUILD_DIR/bench-notes.txt.
#
# Usage: bench/run.sh [--build-dir DIR] [--runs N] [--warmup N] [--quick] [--only NAMES]
#                     [--verbose]
#   --build-dir DIR  build folder (default build/windows)
#   --runs N         start-up runs of each program (default 31)
#   --warmup N       start-up warm-up runs of each program (default 2)
#   --quick          fewer runs and smaller side measurements everywhere (about a third of the time)
#   --only NAMES     comma-separated subset of: startup,size,intake,memory,delete,million,queue,run,
#                    console
#   --verbose        show the benchmarks' notes as they come
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

build_dir=build/windows
startup_args=()
quick=0
only="startup,size,intake,memory,delete,million,queue,run,console"
verbose=0
while [ $# -gt 0 ]; do
    case "$1" in
        --build-dir) build_dir=$2; shift 2 ;;
        --runs|--warmup) startup_args+=("$1" "$2"); shift 2 ;;
        --quick) quick=1; shift ;;
        --only) only=$2; shift 2 ;;
        --verbose) verbose=1; shift ;;
        *) echo "unknown option $1 (see the head of $0)" >&2; exit 2 ;;
    esac
done
wants() { [[ ",$only," == *",$1,"* ]]; }

if [ "$quick" = 1 ]; then
    [ ${#startup_args[@]} -eq 0 ] && startup_args=(--runs 5 --warmup 1)
    intake_args=(--runs 3 --probe-runs 3 --query-sizes 2000,5000 --naive-sizes 500,1000)
    delete_args=(--runs 5)
    million_args=(--runs 3)
    queue_args=(--runs 3)
    run_args=(--groups 40 --passes 1 --delay-groups 2 --probe-runs 2)
    console_args=(--passes 1 --groups 10 --probe-runs 1)
else
    intake_args=(--runs 5 --probe-runs 5)
    delete_args=(--runs 9)
    million_args=(--runs 5)
    queue_args=(--runs 5)
    run_args=(--groups 100 --passes 2 --delay-groups 3 --probe-runs 5)
    console_args=(--passes 3 --groups 20 --probe-runs 3)
fi

cmake --preset windows -B "$build_dir" >/dev/null
cmake --build "$build_dir" --target bench_startup bench_intake bench_delete_group bench_million \
    bench_queue bench_run bench_console Velkin >/dev/null
# The real 7-Zip in the session's Wine prefix, for the console benchmark.
wants console && bash scripts/real-7zip.sh "$build_dir"

notes="$build_dir/bench-notes.txt"
figures="$build_dir/bench-figures.tsv"
: >"$notes"
: >"$figures"

# Runs inside the Wine session: each benchmark's FIGURE lines go to the table, the rest to the
# notes.
session() {
    local bin=$1 notes=$2 figures=$3 verbose=$4
    shift 4
    local status=0
    local -a command
    while [ $# -gt 0 ]; do
        command=()
        while [ $# -gt 0 ] && [ "$1" != ";" ]; do command+=("$1"); shift; done
        [ $# -gt 0 ] && shift
        echo "== ${command[*]}" >>"$notes"
        local output
        if ! output=$(wine "$bin/${command[0]}" "${command[@]:1}" 2>>"$notes"); then
            echo "${command[0]} failed; see $notes" >&2
            status=1
        fi
        printf '%s\n' "$output" | grep -v '^FIGURE' >>"$notes" || true
        printf '%s\n' "$output" | grep '^FIGURE' | cut -f2- >>"$figures" || true
        if [ "$verbose" = 1 ]; then printf '%s\n' "$output" | grep -v '^FIGURE' >&2 || true; fi
    done
    return $status
}

commands=()
wants startup && commands+=(bench_startup.exe "${startup_args[@]}" ";")
wants intake && commands+=(bench_intake.exe "${intake_args[@]}" ";")
wants memory && commands+=(bench_intake.exe --memory 1000000 ";")
wants memory && commands+=(bench_intake.exe --memory-each 100000 ";")
wants delete && commands+=(bench_delete_group.exe "${delete_args[@]}" ";")
wants million && commands+=(bench_million.exe "${million_args[@]}" ";")
wants queue && commands+=(bench_queue.exe "${queue_args[@]}" ";")
wants run && commands+=(bench_run.exe "${run_args[@]}" ";")
wants console && commands+=(bench_console.exe "${console_args[@]}" ";")

started=$(date +%s)
status=0
if [ ${#commands[@]} -gt 0 ]; then
    # The function goes in as text: the session's display comes from xvfb-run, a POSIX shell
    # script, which does not pass exported functions on.
    scripts/with-wine-session.sh "$build_dir" bash -c "$(declare -f session)"'; session "$@"' session \
        "$build_dir/bin" "$notes" "$figures" "$verbose" "${commands[@]}" || status=1
fi
if wants size; then
    size=$(stat -c %s "$build_dir/bin/Velkin.exe")
    printf 'Velkin.exe size\t%s bytes\t-\tthe one self-contained program (Release, stripped)\n' \
        "$size" >>"$figures"
fi

echo
echo "Velkin benchmarks ($(date -u +%Y-%m-%dT%H:%MZ), $(nproc) cores, load average" \
    "$(cut -d' ' -f1-3 /proc/loadavg) at the end, $(( $(date +%s) - started )) s)"
python3 - "$figures" <<'EOF'
import sys
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1], encoding="utf-8") if line.strip()]
header = ["figure", "value", "aim", "what it means"]
rows = [header] + [(r + ["", "", "", ""])[:4] for r in rows]
width = [max(len(r[i]) for r in rows) for i in range(3)]
for n, r in enumerate(rows):
    print("  ".join(r[i].ljust(width[i]) for i in range(3)) + "  " + r[3])
    if n == 0:
        print("  ".join("-" * width[i] for i in range(3)) + "  " + "-" * 13)
EOF
echo
echo "notes of every benchmark: $notes"
exit $status
