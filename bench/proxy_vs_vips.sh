#!/usr/bin/env bash
# Our 600-wide drawing proxies against vipsthumbnail making 600-wide
# thumbnails of the same 100 real photographs, whole processes on both sides
# and the same cores:
#  - a batch on all cores: ours makes the proxies of every file in one batch
#    (read, hashed, decoded to its proxy); vipsthumbnail runs as `nproc`
#    parallel processes (xargs -P), each over an equal share of the files and
#    single-threaded (VIPS_CONCURRENCY=1), so that one process has one core:
#    of the ways we tried to split the files among processes, its fastest;
#  - one photo at a time on one core (taskset -c 0): ours makes each file's
#    proxy alone, in turn, as a picture added alone; one vipsthumbnail
#    process goes over the files one at a time, single-threaded.
# vipsthumbnail writes .v files, so that no JPEG encoding is counted against
# it, and is asked for "-s 600x" (600 wide, like our proxies; plain "-s 600"
# would fit portraits into 600 x 600). The photos: 100 files made from the
# distinct photographs of the peers' real photographs (photos.sh; its files
# hold 24 distinct pictures, taken in turn), each file made distinct by bytes
# after the JPEG's end; both sides read the same files from the page cache.
# Each side runs RUNS times, taking turns; prints the medians of the wall
# time, per photo, the ratios ours / vips, and the time our program measures
# from the first file read to the last proxy made.
#   BUILD_DIR=... RUNS=5 COUNT=100 bench/proxy_vs_vips.sh   (default: build-bench)
# bench/open_vs_vips.sh compares opening a project of such photos.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"

need vipsthumbnail libvips-tools
need taskset util-linux
[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed (apt-get install -y time)" >&2; exit 1; }
build_targets qf_bench_proxy
bench="$build/bench/qf_bench_proxy"
count="${COUNT:-100}"
cores=$(nproc)
share=$(((count + cores - 1) / cores))

distinct_photos "$(real_photos)" "$count" "$work/photos"
mkdir -p "$work/tn"
cat "$work/photos"/*.jpg >/dev/null # into the page cache

vips_batch() {
  find "$work/photos" -maxdepth 1 -name '*.jpg' -print0 | sort -z |
    VIPS_CONCURRENCY=1 xargs -0 -P "$cores" -n "$share" vipsthumbnail -s 600x -o "$work/tn/%s.v"
}
vips_one_core() {
  VIPS_CONCURRENCY=1 taskset -c 0 vipsthumbnail -s 600x -o "$work/tn/%s.v" "$work/photos"/*.jpg
}
export -f vips_batch vips_one_core
export work cores share

for _ in $(seq "$runs"); do
  run_timed ours_batch "$bench" --photo-folder "$work/photos" --once batch
  run_timed vips_batch bash -c vips_batch
  run_timed ours_one taskset -c 0 "$bench" --photo-folder "$work/photos" --once single
  run_timed vips_one bash -c vips_one_core
done
made=$(find "$work/tn" -name '*.v' | wc -l)
[ "$made" -eq "$count" ] || { echo "vipsthumbnail made $made thumbnails of $count" >&2; exit 1; }

echo "$count real photographs (made from those of $(real_photos)) to 600 wide; medians of $runs whole processes"
awk -v n="$count" -v cores="$cores" -v share="$share" \
  -v ob="$(median 1 "$work/ours_batch")" -v vb="$(median 1 "$work/vips_batch")" -v ib="$(median 1 "$work/ours_batch.out")" \
  -v o1="$(median 1 "$work/ours_one")" -v v1="$(median 1 "$work/vips_one")" -v i1="$(median 1 "$work/ours_one.out")" 'BEGIN {
  printf "batch on %d cores:  ours %6d ms (%5.1f a photo; in process %d ms)   %d vipsthumbnail x %d files %6d ms (%5.1f a photo)   time ours / vips %.2f\n",
    cores, ob, ob / n, ib, cores, share, vb, vb / n, ob / vb
  printf "one core, in turn: ours %6d ms (%5.1f a photo; in process %d ms)   one vipsthumbnail %14d ms (%5.1f a photo)   time ours / vips %.2f\n",
    o1, o1 / n, i1, v1, v1 / n, o1 / v1
}'
