#!/usr/bin/env bash
# Our shadow blur against libvips' Gaussian blur on the same 7200 x 5400
# alpha plane (the one BM_ShadowBlurAlpha7200 blurs, written out by
# qf_bench_drawing) at the same sigma, in process on both sides and on all
# cores: ours is BM_ShadowBlurAlpha7200 (the plane blurred in memory), the
# peer is the peers' vips_blur (the plane decoded once and held in memory,
# each run a blur into a new image in memory, operation cache off). libvips
# runs in both its modes: `integer`, its exact Gaussian, and `approximate`,
# its box-filter mode, the same kind of algorithm as our three box passes.
# Our passes reach 3 sigma; vips' mask is cut where it falls below
# MIN_AMPL of its peak, 0.01 by default here so that it reaches as far
# (3.03 sigma). vips' own default, 0.2, stops at 1.8 sigma, a visibly
# smaller shadow: it is printed too, for reference. Each side takes the
# median of RUNS; prints the ratios ours / vips.
#   BUILD_DIR=... RUNS=5 MIN_AMPL=0.01 bench/shadow_vs_vips.sh   (default: build-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"

sigma=22.5 # kSigma of qf_bench_drawing: the default text-box shadow at 7200 wide
min_ampl="${MIN_AMPL:-0.01}"
build_targets qf_bench_drawing
bench="$build/bench/qf_bench_drawing"
vips_blur=$(peer_program vips_blur)
"$bench" --write-alpha "$work/alpha.pgm" 2>/dev/null

vips_ms() { # precision min_ampl -> the median of the runs, in ms
  "$vips_blur" "$work/alpha.pgm" "$sigma" "$1" "$2" "$runs" 2>/dev/null | awk '/^median/ { print $2 }'
}
ours=$("$bench" --benchmark_filter='^BM_ShadowBlurAlpha7200(/|$)' --benchmark_repetitions="$runs" \
  --benchmark_report_aggregates_only=true --benchmark_color=false 2>/dev/null | awk '$1 ~ /_median$/ { print $2 }')
integer=$(vips_ms integer "$min_ampl")
approximate=$(vips_ms approximate "$min_ampl")
integer_default=$(vips_ms integer 0.2)
approximate_default=$(vips_ms approximate 0.2)
if [ -z "$ours" ] || [ -z "$integer" ] || [ -z "$approximate" ]; then
  echo "a side gave no time" >&2
  exit 1
fi

echo "7200 x 5400 alpha plane, sigma $sigma, $(nproc) cores; in process, medians of $runs"
awk -v o="$ours" -v i="$integer" -v a="$approximate" -v m="$min_ampl" \
  -v id="$integer_default" -v ad="$approximate_default" 'BEGIN {
  printf "ours, three box passes:                  %7.1f ms\n", o
  printf "vips integer (exact), min_ampl %-5s     %7.1f ms   time ours / vips %.2f\n", m, i, o / i
  printf "vips approximate (box), min_ampl %-5s   %7.1f ms   time ours / vips %.2f\n", m, a, o / a
  printf "for reference, vips default min_ampl 0.2 (mask to 1.8 sigma): integer %.1f ms (ours / vips %.2f),",
    id, o / id
  printf " approximate %.1f ms (ours / vips %.2f)\n", ad, o / ad
}'
