#!/bin/sh
# Builds the benchmarks in Release (into build-bench at the top of the tree)
# when needed, runs each five times and prints the medians. BUILD_DIR=... picks
# another build folder.
#   bench/run.sh [--build-only]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build-bench}"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DQF_BUILD_TESTS=OFF -DQF_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" --target qf_bench_model qf_bench_drawing qf_bench_face qf_bench_grid >/dev/null
[ "${1:-}" = "--build-only" ] && exit 0

echo "medians of 5 runs (name, wall time, CPU time):"
for program in qf_bench_model qf_bench_drawing qf_bench_face qf_bench_grid; do
    "$build/bench/$program" --benchmark_repetitions=5 \
        --benchmark_report_aggregates_only=true --benchmark_color=false 2>/dev/null |
        awk '$1 ~ /_median$/ { sub(/_median$/, "", $1); printf "%-40s %10s %-3s %10s %s\n", $1, $2, $3, $4, $5 }'
done
