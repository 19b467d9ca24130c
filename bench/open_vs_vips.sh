#!/usr/bin/env bash
# Opening a saved project of 100 real photographs to a drawn window, against
# vipsthumbnail making the same 600-wide proxies from the same photographs.
# Whole process against whole processes, on the same cores: ours reads the
# project, hashes its pictures and makes their proxies on all cores, as a
# window opening it does, then draws the collage once at 1200 x 900 from
# them; vipsthumbnail runs as `nproc` parallel processes (xargs -P), each over
# an equal share of the project's picture files and single-threaded
# (VIPS_CONCURRENCY=1), writing .v files (no JPEG encoding counted against
# it), "-s 600x" for 600 wide. vipsthumbnail draws nothing: the draw and the
# reading of the project are ours alone. The photos: 100 files made from the
# distinct photographs of the peers' real photographs (photos.sh; 24
# distinct pictures, taken in turn), each made distinct by bytes after the
# JPEG's end (our project holds equal files once). Each side runs RUNS
# times, taking turns, under /usr/bin/time -v; prints the medians of wall
# time, the ratio ours / vips, peak memory (max RSS: ours, and the largest
# of the vips processes, which are not one process to compare with) and the
# time our program measures from the read to the end of the draw. Our peak
# includes the picture files themselves, which a project holds as read so
# that it can be saved whatever becomes of its package; vipsthumbnail holds
# none: the memory ratio is printed with them and without them.
#   BUILD_DIR=... RUNS=5 COUNT=100 bench/open_vs_vips.sh   (default: build-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"

need vipsthumbnail libvips-tools
[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed (apt-get install -y time)" >&2; exit 1; }
build_targets qf_bench_export
bench="$build/bench/qf_bench_export"
count="${COUNT:-100}"
cores=$(nproc)
share=$(((count + cores - 1) / cores))
view_width=1200 view_height=900

distinct_photos "$(real_photos)" "$count" "$work/photos"
project="$work/open.quiltfolioproj"
"$bench" --make "$work/photos" "$project" 7200 5400 >/dev/null 2>"$work/make.txt" ||
  { cat "$work/make.txt" >&2; exit 1; }
rm -rf "$work/photos"
pictures=$(find "$project/Images" -type f | wc -l)
file_kb=$(find "$project/Images" -type f -printf '%s\n' | awk '{ s += $1 } END { print int(s / 1024) }')
[ "$pictures" -eq "$count" ] || { echo "the project holds $pictures pictures, not $count" >&2; exit 1; }
mkdir -p "$work/tn"
cat "$project"/Images/* >/dev/null # into the page cache

vips_batch() {
  find "$project/Images" -type f -print0 | sort -z |
    VIPS_CONCURRENCY=1 xargs -0 -P "$cores" -n "$share" vipsthumbnail -s 600x -o "$work/tn/%s.v"
}
export -f vips_batch
export work project cores share

for _ in $(seq "$runs"); do
  run_timed ours "$bench" --open "$project" "$view_width" "$view_height"
  run_timed vips bash -c vips_batch
done
made=$(find "$work/tn" -name '*.v' | wc -l)
[ "$made" -eq "$count" ] || { echo "vipsthumbnail made $made thumbnails of $count" >&2; exit 1; }

echo "a project of $count real photographs opened and drawn at ${view_width}x$view_height, against $cores" \
  "vipsthumbnail processes making the 600-wide proxies; medians of $runs"
awk -v om="$(median 1 "$work/ours")" -v ok="$(median 2 "$work/ours")" -v io="$(median 1 "$work/ours.out")" \
  -v vm="$(median 1 "$work/vips")" -v vk="$(median 2 "$work/vips")" -v cores="$cores" -v share="$share" -v files="$file_kb" 'BEGIN {
  printf "ours (open, proxies, one draw):     %6d ms, max RSS %5d MB   (in process %d ms)\n", om, ok / 1024, io
  printf "%d vipsthumbnail x %d files:        %6d ms, max RSS %5d MB of the largest process\n", cores, share, vm, vk / 1024
  printf "time ours / vips: %.2f\n", om / vm
  printf "memory ours / vips: %.2f; less the %d MB of picture files the project holds: %.2f\n", ok / vk, files / 1024, (ok - files) / vk
}'
