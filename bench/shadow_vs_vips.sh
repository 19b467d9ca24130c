#!/usr/bin/env bash
# Our shadow blur against `vips gaussblur` on the same 7200 x 5400 alpha plane
# at the same sigma. vips runs as a command on its own .v file: its IO cost is
# measured with `vips copy` and taken off. Prints medians of 5 and the ratio.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
sigma=22.5
command -v vips >/dev/null || { echo "vips is not installed (apt-get install libvips-tools)"; exit 1; }
bash "$root/bench/run.sh" --build-only
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/qf_bench_drawing" --write-alpha "$work/alpha.pgm"
vips copy "$work/alpha.pgm" "$work/alpha.v"

median_ms() { # command...
  local times=()
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s%N); "$@" >/dev/null; t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}

blur=$(median_ms vips gaussblur "$work/alpha.v" "$work/out.v" "$sigma")
copy=$(median_ms vips copy "$work/alpha.v" "$work/copy.v")
vips_ms=$(( blur - copy ))
ours=$("$build/bench/qf_bench_drawing" --benchmark_filter=BM_ShadowBlurAlpha7200 \
        --benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_color=false 2>/dev/null |
       awk '$1 ~ /_median$/ { print $2 }')
echo "7200 x 5400 alpha plane, sigma $sigma, $(nproc) cores"
echo "vips gaussblur: ${blur} ms, of which file copy ${copy} ms: blur ${vips_ms} ms"
echo "ours (in memory): ${ours} ms"
awk -v o="$ours" -v v="$vips_ms" 'BEGIN { if (v > 0) printf "ratio ours / vips: %.2f\n", o / v }'
