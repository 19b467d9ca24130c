#!/usr/bin/env bash
# Our 600-wide drawing proxies against vipsthumbnail on the same 100 photos
# (4000 x 3000 JPEGs, made once by qf_bench_proxy). vips runs once over all
# files, as a batch; its output goes to .v files so that no JPEG encoding is
# counted against it. "-s 600x" asks for 600 wide like our proxies (plain
# "-s 600" would fit portraits into 600 x 600). Prints medians of 5 per photo
# and the ratios.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
command -v vipsthumbnail >/dev/null || { echo "vipsthumbnail is not installed (apt-get install libvips-tools)"; exit 1; }
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DQF_BUILD_TESTS=OFF -DQF_BUILD_BENCH=ON >/dev/null
fi
if ! log=$(cmake --build "$build" --target qf_bench_proxy 2>&1); then echo "$log"; exit 1; fi
photos=$("$build/bench/qf_bench_proxy" --photos 2>/dev/null)
count=$(ls "$photos"/*.jpg | wc -l)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

times=()
for _ in 1 2 3 4 5; do
    t0=$(date +%s%N)
    vipsthumbnail -s 600x -o "$work/tn_%s.v" "$photos"/*.jpg
    t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000 )))
done
vips_us=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)

ours=$("$build/bench/qf_bench_proxy" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
        --benchmark_color=false 2>/dev/null | awk '$1 ~ /_median$/ { print $1, $2 }')
one=$(awk '/^BM_ProxyOnePhoto/ { print $2 }' <<<"$ours")
batch=$(awk '/^BM_ProxyBatch100/ { print $2 }' <<<"$ours")

awk -v v="$vips_us" -v n="$count" -v one="$one" -v batch="$batch" -v cores="$(nproc)" 'BEGIN {
    vips = v / 1000 / n; mine = batch / n
    printf "%d photos, 4000 x 3000 JPEG, to 600 wide; %d cores; medians of 5, per photo\n", n, cores
    printf "vipsthumbnail, one call over all files:   %7.2f ms\n", vips
    printf "ours, one photo at a time on one core:    %7.2f ms   ratio ours / vips %.2f\n", one, one / vips
    printf "ours, batch of %d on all cores:           %7.2f ms   ratio ours / vips %.2f\n", n, mine, mine / vips
}'
