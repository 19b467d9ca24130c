#!/bin/sh
# Builds the model benchmarks in Release (into build-bench at the top of the
# tree) when needed, runs them five times and prints the medians.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DQF_BUILD_TESTS=OFF -DQF_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" --target qf_bench_model >/dev/null

echo "medians of 5 runs (name, CPU time):"
"$build/bench/qf_bench_model" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_color=false 2>/dev/null |
    awk '$1 ~ /_median$/ { sub(/_median$/, "", $1); printf "%-36s %12s %s\n", $1, $4, $5 }'
