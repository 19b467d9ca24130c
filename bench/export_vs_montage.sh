#!/usr/bin/env bash
# Exporting a grid of 30 real photographs at 7200 x 5400 (6 x 5 cells of
# 1200 x 1080) to JPEG against ImageMagick's `montage` making the same grid
# from the same files. The same job on both sides: every photo decoded from
# its JPEG, scaled to fill its cell and cropped about its centre (montage:
# -resize 1200x1080^ -gravity center -extent 1200x1080 on each photo, tiles
# joined with no gaps), written at quality 90 with 4:2:0 chroma. Our grid
# also draws its gaps, borders and shadows. Whole process against whole
# process: ours opens the saved project and exports it. montage runs a
# second time told to decode the JPEGs scaled down (-define jpeg:size, its
# fastest way). The photos are the peers' real photographs (photos.sh), its
# distinct pictures taken in turn, each file made distinct by bytes after
# the JPEG's end (our project holds equal files once); montage gets the same
# files. Each side runs RUNS times, taking turns, under /usr/bin/time -v;
# prints the medians of wall time and peak memory (max RSS) and the ratios.
#   BUILD_DIR=... RUNS=5 bench/export_vs_montage.sh   (default: build-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"

need montage imagemagick
need identify imagemagick
[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed (apt-get install -y time)" >&2; exit 1; }
build_targets qf_bench_export
bench="$build/bench/qf_bench_export"
photos=$(real_photos)
quality=90 width=7200 height=5400 cols=6 rows=5
cell="$((width / cols))x$((height / rows))"

distinct_photos "$photos" 30 "$work/photos"
files=("$work/photos"/*.jpg)
project="$work/grid.quiltfolioproj"
"$bench" --make "$work/photos" "$project" "$width" "$height" "$cols" "$rows" >/dev/null 2>"$work/make.txt" ||
  { cat "$work/make.txt" >&2; exit 1; }
lift_imagemagick_caps "$work/im"
fill=(-resize "$cell^" -gravity center -extent "$cell" -tile "${cols}x$rows" -geometry +0+0
  -quality "$quality" -sampling-factor 4:2:0)

cat "${files[@]}" "$project"/Images/* >/dev/null # into the page cache
for _ in $(seq "$runs"); do
  run_timed ours "$bench" "$project" "$work/ours.jpg" "$width" "$height" "$quality"
  run_timed montage montage "${files[@]}" "${fill[@]}" "$work/montage.jpg"
  run_timed hinted montage -define "jpeg:size=$cell" "${files[@]}" "${fill[@]}" "$work/hinted.jpg"
done
for out in ours montage hinted; do
  format=$(identify -format '%wx%h %[jpeg:sampling-factor] Q%Q' "$work/$out.jpg" 2>/dev/null)
  [ "$format" = "${width}x$height 2x2,1x1,1x1 Q$quality" ] ||
    { echo "$out.jpg is $format, not ${width}x$height 4:2:0 Q$quality" >&2; exit 1; }
done

echo "30 real photographs (from $photos) into a ${width}x$height JPEG, ${cols}x$rows cells," \
  "Q$quality 4:2:0, $(nproc) cores; medians of $runs whole processes"
awk -v om="$(median 1 "$work/ours")" -v ok="$(median 2 "$work/ours")" -v ex="$(median 1 "$work/ours.out")" \
  -v mm="$(median 1 "$work/montage")" -v mk="$(median 2 "$work/montage")" \
  -v hm="$(median 1 "$work/hinted")" -v hk="$(median 2 "$work/hinted")" 'BEGIN {
  printf "ours (open project + export):   %6d ms, max RSS %5d MB   (export alone %d ms)\n", om, ok / 1024, ex
  printf "montage:                        %6d ms, max RSS %5d MB   time ours / montage %.2f, memory %.2f\n",
    mm, mk / 1024, om / mm, ok / mk
  printf "montage -define jpeg:size:      %6d ms, max RSS %5d MB   time ours / montage %.2f, memory %.2f\n",
    hm, hk / 1024, om / hm, ok / hk
}'
