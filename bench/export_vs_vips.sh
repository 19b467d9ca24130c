#!/usr/bin/env bash
# Exporting a grid of real photographs to JPEG against the peers' vips_grid
# (libvips in one process: each photo shrunk on load to its cell with a
# centre crop, joined, saved). Whole process against whole process, both
# decoding the photographs: ours opens the saved project (its pictures'
# proxies made as a window would) and exports it; vips_grid reads the same
# JPEG files and writes its grid. Both write COLS x ROWS cells of W x H at
# quality 90 with 4:2:0 chroma (our writer's sampling; vips_grid is told
# SUBSAMPLE on). vips_grid draws no gaps, borders or shadows, which our grid
# does: a high bar. Cases:
#   30 photos at 7200 x 5400 (6 x 5), 300 at 7200 x 5400 (20 x 15),
#   30 at 1800 x 1350 and 30 at 12000 x 9000 (6 x 5).
# The photos are the peers' real photographs (photos.sh), its 24 distinct
# pictures taken in turn, each file made distinct by bytes after the JPEG's
# end (our project holds equal files once); vips_grid gets the same files.
# Each side runs RUNS times, taking turns, under /usr/bin/time -v; prints the
# medians of wall time and peak memory (max RSS), the ratios ours / vips, and
# the export alone as our program measures it (render and encode).
#   BUILD_DIR=... RUNS=5 bench/export_vs_vips.sh      (default: build-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"

[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed (apt-get install -y time)" >&2; exit 1; }
build_targets qf_bench_export
bench="$build/bench/qf_bench_export"
vips_grid=$(peer_program vips_grid)
photos=$(real_photos)
quality=90

distinct_photos "$photos" 30 "$work/p30"
distinct_photos "$photos" 300 "$work/p300"

cases=(
  "30 7200 5400 6 5"
  "300 7200 5400 20 15"
  "30 1800 1350 6 5"
  "30 12000 9000 6 5"
)

printf 'real photographs (%s), JPEG quality %d, 4:2:0, %d cores; medians of %d whole processes\n' \
  "$photos" "$quality" "$(nproc)" "$runs"
printf '%-26s %9s %8s %11s %8s %8s %8s %10s\n' case "ours ms" "ours MB" "vips ms" "vips MB" \
  "time o/v" "mem o/v" "export ms"
for one in "${cases[@]}"; do
  read -r count width height cols rows <<<"$one"
  tag="${count}_${width}"
  project="$work/grid$tag.quiltfolioproj"
  "$bench" --make "$work/p$count" "$project" "$width" "$height" "$cols" "$rows" >/dev/null 2>"$work/make.txt" ||
    { cat "$work/make.txt" >&2; exit 1; }
  files=("$work/p$count"/*.jpg)
  cat "${files[@]}" "$project"/Images/* >/dev/null # into the page cache
  for _ in $(seq "$runs"); do
    run_timed "ours$tag" "$bench" "$project" "$work/ours.jpg" "$width" "$height" "$quality"
    run_timed "vips$tag" "$vips_grid" "$work/vips.jpg" "$quality" "$width" "$height" "$cols" "$rows" on "${files[@]}"
  done
  # The same picture size and chroma sampling on both sides.
  ours_format=$(identify -format '%wx%h %[jpeg:sampling-factor]' "$work/ours.jpg" 2>/dev/null)
  vips_format=$(identify -format '%wx%h %[jpeg:sampling-factor]' "$work/vips.jpg" 2>/dev/null)
  if [ "$ours_format" != "$vips_format" ]; then
    echo "the outputs differ: ours $ours_format, vips_grid $vips_format" >&2
    exit 1
  fi
  awk -v label="$count photos ${width}x$height ${cols}x$rows" \
    -v om="$(median 1 "$work/ours$tag")" -v ok="$(median 2 "$work/ours$tag")" \
    -v vm="$(median 1 "$work/vips$tag")" -v vk="$(median 2 "$work/vips$tag")" \
    -v ex="$(median 1 "$work/ours$tag.out")" 'BEGIN {
    printf "%-26s %9d %8d %11d %8d %8.2f %8.2f %10d\n", label, om, ok / 1024, vm, vk / 1024, om / vm, ok / vk, ex
  }'
  rm -rf "$project"
done
echo "time o/v, mem o/v: ours / vips_grid (below 1: ours is faster, or smaller); export ms: ours, render and encode"
echo "outputs checked: the same size and chroma sampling on both sides"
