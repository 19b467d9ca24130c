#!/usr/bin/env bash
# Exporting a grid of real photographs against the peers' vips_gridp, the
# strongest libvips program for the job: THREADS workers each thumbnail the
# next photo to its cell (shrink on load, centre crop) into memory, then the
# cells are joined and saved. Whole process against whole process, both
# decoding the photographs: ours opens the saved project (its pictures'
# proxies made as a window would) and exports it; vips_gridp reads the same
# JPEG files and writes its grid on as many threads as there are cores. Both
# write COLS x ROWS cells of W x H at quality 90 with 4:2:0 chroma (our
# writer's sampling; vips_gridp is told SUBSAMPLE on). vips_gridp draws no
# gaps, borders or shadows, which our grid does: a high bar. Cases:
#   30 photos at 7200 x 5400 and at 12000 x 9000 (6 x 5),
#   30 photos of 8 to 24 megapixels at 7200 x 5400,
#   300 pictures at 12000 x 9000 (20 x 15), 30 photos at 1800 x 1350,
#   TIFF (LZW, horizontal predictor): 30 photos at 7200 x 5400.
# The photos are the peers' real photographs (photos.sh), its distinct
# pictures taken in turn, each file made distinct by bytes after the JPEG's
# end (our project holds equal files once); vips_gridp gets the same files.
# Each case first runs both sides once unmeasured (the page cache, the
# dynamic loader), then RUNS times taking turns, ours then the peer's, under
# /usr/bin/time -v. Prints the medians of wall time and peak memory (max
# RSS), the spread of each side's times ((slowest - fastest) / median), the
# ratios ours / peer, the export alone as our program measures it, and the
# load average when the case ends.
#   BUILD_DIR=... RUNS=5 CASES="30_7200 30_12000" bench/export_vs_vips.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"

[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed (apt-get install -y time)" >&2; exit 1; }
build_targets qf_bench_export
bench="$build/bench/qf_bench_export"
peer=$(peer_program vips_gridp)
photos=$(real_photos)
quality=90
threads=$(nproc)

# The photographs of 8 to 24 megapixels among them.
mkdir -p "$work/large"
for f in "$photos"/*.jpg "$photos"/*.jpeg; do
  [ -f "$f" ] || continue
  read -r w h < <(identify -format '%w %h\n' "$f" 2>/dev/null | head -n 1) || continue
  pixels=$((${w:-0} * ${h:-0}))
  if [ "$pixels" -ge 8000000 ] && [ "$pixels" -le 24000000 ]; then
    cp "$f" "$work/large/"
  fi
done

# tag count source width height cols rows extension
all_cases=(
  "30_7200 30 all 7200 5400 6 5 jpg"
  "30_12000 30 all 12000 9000 6 5 jpg"
  "30large_7200 30 large 7200 5400 6 5 jpg"
  "300_12000 300 all 12000 9000 20 15 jpg"
  "30_1800 30 all 1800 1350 6 5 jpg"
  "30tiff_7200 30 all 7200 5400 6 5 tiff"
)
wanted=${CASES:-}

printf 'real photographs (%s), JPEG quality %d, 4:2:0, %d cores, vips_gridp on %d threads\n' \
  "$photos" "$quality" "$threads" "$threads"
printf 'medians of %d whole processes after one unmeasured run of each, taking turns\n' "$runs"
printf '%-32s %9s %7s %8s %9s %7s %8s %8s %8s %9s %6s\n' case "ours ms" spread "ours MB" "peer ms" spread \
  "peer MB" "time o/p" "mem o/p" "export ms" load
for one in "${all_cases[@]}"; do
  read -r tag count source width height cols rows ext <<<"$one"
  if [ -n "$wanted" ] && [[ " $wanted " != *" $tag "* ]]; then
    continue
  fi
  src=$photos
  [ "$source" = large ] && src="$work/large"
  dir="$work/p$count$source"
  [ -d "$dir" ] || distinct_photos "$src" "$count" "$dir"
  project="$work/grid$tag.quiltfolioproj"
  "$bench" --make "$dir" "$project" "$width" "$height" "$cols" "$rows" >/dev/null 2>"$work/make.txt" ||
    { cat "$work/make.txt" >&2; exit 1; }
  files=("$dir"/*.jpg)
  ours_out="$work/ours.$ext"
  peer_out="$work/peer.$ext"
  [ "$ext" = tiff ] && peer_out="$work/peer.tif" # the peer picks TIFF by ".tif"
  run_ours() { run_timed "$1" "$bench" "$project" "$ours_out" "$width" "$height" "$quality"; }
  run_peer() { run_timed "$1" "$peer" "$peer_out" "$quality" "$width" "$height" "$cols" "$rows" on "$threads" "${files[@]}"; }
  run_ours "warm$tag"
  run_peer "warm$tag"
  for _ in $(seq "$runs"); do
    run_ours "ours$tag"
    run_peer "peer$tag"
  done
  load=$(cut -d' ' -f1 /proc/loadavg)
  # The same picture size (and for JPEG chroma sampling) on both sides.
  ours_format=$(identify -format '%wx%h %[jpeg:sampling-factor]' "$ours_out" 2>/dev/null)
  peer_format=$(identify -format '%wx%h %[jpeg:sampling-factor]' "$peer_out" 2>/dev/null)
  if [ "$ours_format" != "$peer_format" ]; then
    echo "the outputs differ: ours $ours_format, vips_gridp $peer_format" >&2
    exit 1
  fi
  label="$count photos ${width}x$height"
  [ "$source" = large ] && label="$count photos 8-24 MP ${width}x$height"
  [ "$ext" = tiff ] && label="$label TIFF"
  awk -v label="$label" \
    -v om="$(median 1 "$work/ours$tag")" -v ok="$(median 2 "$work/ours$tag")" \
    -v vm="$(median 1 "$work/peer$tag")" -v vk="$(median 2 "$work/peer$tag")" \
    -v os="$(spread "$work/ours$tag")" -v vs="$(spread "$work/peer$tag")" \
    -v ex="$(median 1 "$work/ours$tag.out")" -v load="$load" 'BEGIN {
    printf "%-32s %9d %6.0f%% %8d %9d %6.0f%% %8d %8.2f %8.2f %9d %6s\n", label, om, os, ok / 1024, vm, vs, vk / 1024,
      om / vm, ok / vk, ex, load
  }'
  rm -rf "$project"
done
echo "time o/p, mem o/p: ours / vips_gridp (below 1: ours is faster, or smaller); export ms: ours, render and encode"
echo "spread: (slowest - fastest) / median of a side's runs; load: the 1-minute load average at the case's end"
echo "outputs checked: the same size (and JPEG chroma sampling) on both sides"
