#!/usr/bin/env bash
# Saving a project package of 100 photographs (2 to 3 MB each) against
# `cp -r` of the same files, warm page cache both. A first save is compared
# with a plain copy; a save over the previous version, which is flushed to
# disk before it replaces the old copy, with a copy followed by `sync -f`.
# Prints medians of 5 and the ratios; the goal is within 1.5x of cp.
#   BUILD_DIR=... bench/save_vs_cp.sh     (default: build-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build-bench}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQF_BUILD_TESTS=OFF -DQF_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" --target qf_bench_package >/dev/null

photos="${TMPDIR:-/tmp}/qf-bench-photos"
"$build/bench/qf_bench_package" --photos "$photos" --generate-only 2>/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median_ms() { # command...   (the copy is removed between runs, untimed)
  local times=()
  for _ in 1 2 3 4 5; do
    rm -rf "$work/copy"
    local t0 t1
    t0=$(date +%s%N); "$@"; t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}

cp -r "$photos" "$work/warm" && rm -rf "$work/warm" # source into the page cache
cp_ms=$(median_ms cp -r "$photos" "$work/copy")
cp_sync_ms=$(median_ms sh -c "cp -r '$photos' '$work/copy' && sync -f '$work/copy'")

ours=$("$build/bench/qf_bench_package" --photos "$photos" --benchmark_filter='BM_SavePackage' \
        --benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_color=false 2>/dev/null)
new_ms=$(awk '$1 ~ /^BM_SavePackageNew.*_median$/ { print $2 }' <<<"$ours")
over_ms=$(awk '$1 ~ /^BM_SavePackageOver.*_median$/ { print $2 }' <<<"$ours")

echo "$(ls "$photos" | wc -l) photographs, $(du -sm "$photos" | cut -f1) MB, medians of 5"
echo "cp -r:                         ${cp_ms} ms"
echo "save to a new package:         ${new_ms} ms"
awk -v o="$new_ms" -v c="$cp_ms" 'BEGIN { if (c > 0) printf "ratio new save / cp -r:        %.2f\n", o / c }'
echo "cp -r && sync -f:              ${cp_sync_ms} ms"
echo "save over the previous package: ${over_ms} ms (flushed, old copy removed)"
awk -v o="$over_ms" -v c="$cp_sync_ms" 'BEGIN { if (c > 0) printf "ratio save over / cp + sync:   %.2f\n", o / c }'
