#!/usr/bin/env bash
# Saving a project package of 100 real photographs against `cp -r` of the
# same files, whole process against whole process, warm page cache both:
# ours reads the photographs into a document (as an editor holds them),
# hashes them on all cores, writes the package and exits; cp reads and
# writes the files. Two cases:
#  - a first save to a new name, which leaves the data to the page cache,
#    against a plain `cp -r`;
#  - a save over the previous package, whose new copy is flushed to disk
#    before it replaces the old one (then removed), against `cp -r` followed
#    by a `sync` of every file and folder of the copy (the same durability,
#    for the copy's own files only).
# The destination is removed (untimed) between runs, except the package
# saved over, and the file system is flushed (untimed) before each run. The
# photos: 100 files made from the distinct photographs of the peers' real
# photographs (photos.sh; 24 distinct pictures, taken in turn), each made
# distinct by bytes after the JPEG's end (a project holds equal files once).
# Each side runs RUNS times, taking turns; prints the medians of wall time,
# the ratios ours / cp and the save alone as our program measures it.
#   BUILD_DIR=... RUNS=5 bench/save_vs_cp.sh     (default: build-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"

[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed (apt-get install -y time)" >&2; exit 1; }
build_targets qf_bench_package
bench="$build/bench/qf_bench_package"
photos="$work/photos"
distinct_photos "$(real_photos)" 100 "$photos"
cat "$photos"/* >/dev/null # into the page cache

copy="$work/copy" new="$work/new.quiltfolioproj" over="$work/over.quiltfolioproj"
cp_and_sync() {
  cp -r "$photos" "$copy" && find "$copy" -print0 | xargs -0 sync
}
export -f cp_and_sync
export photos copy
# The package saved over.
"$bench" --photo-folder "$photos" --save-once "$over" new >/dev/null 2>"$work/first.txt" ||
  { cat "$work/first.txt" >&2; exit 1; }
fresh() { # removes the destination and flushes what is pending, untimed
  rm -rf "$@"
  sync -f "$work"
}

for _ in $(seq "$runs"); do
  fresh "$copy"
  run_timed cp cp -r "$photos" "$copy"
  fresh "$new"
  run_timed ours_new "$bench" --photo-folder "$photos" --save-once "$new" new
  fresh "$copy"
  run_timed cp_sync bash -c cp_and_sync
  fresh
  run_timed ours_over "$bench" --photo-folder "$photos" --save-once "$over" over
done

echo "$(find "$photos" -type f | wc -l) real photographs, $(du -sm "$photos" | cut -f1) MB; medians of $runs whole processes"
awk -v c="$(median 1 "$work/cp")" -v n="$(median 1 "$work/ours_new")" -v ni="$(median 1 "$work/ours_new.out")" \
  -v cs="$(median 1 "$work/cp_sync")" -v o="$(median 1 "$work/ours_over")" -v oi="$(median 1 "$work/ours_over.out")" 'BEGIN {
  printf "cp -r:                            %6d ms\n", c
  printf "ours, save to a new package:      %6d ms (the save alone %d ms)   time ours / cp %.2f\n", n, ni, n / c
  printf "cp -r, then sync of the copy:     %6d ms\n", cs
  printf "ours, save over the package:      %6d ms (the save alone %d ms)   time ours / cp %.2f\n", o, oi, o / cs
}'
