#!/usr/bin/env bash
# PNG export of a 7200 x 5400 grid of real photographs against libvips'
# `vips pngsave` writing the same picture. Both are whole processes that read
# the same PPM and write a PNG; each runs 5 times, on one core (taskset) and
# on all cores. Prints medians of wall time, the file sizes and the ratios.
# The goal: at most vips' time at no larger a file.
#   BUILD_DIR=... RUNS=5 bench/png_vs_vips.sh          (default: build-bench)
#   SETTINGS=1 bench/png_vs_vips.sh                    also our filters and levels
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build-bench}"
runs="${RUNS:-5}"
if ! command -v vips >/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get install -y -qq --no-install-recommends libvips-tools >/dev/null
fi
command -v taskset >/dev/null || { echo "taskset (util-linux) is not installed"; exit 1; }
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQF_BUILD_TESTS=OFF -DQF_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" --target qf_bench_export >/dev/null
bench="$build/bench/qf_bench_export"

# The peers (real photographs, libvips programs) live beside the project.
photos=$(bash "${PEERS_DIR:-$root/../shared/peers}/photos.sh")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
picture="$work/grid.ppm"
made=$("$bench" --picture "$photos" "$picture" 2>/dev/null)
cat "$picture" >/dev/null # into the page cache

# runs of: <label> command...  -> one wall time in ms a line in $work/<label>
measure() {
  local label=$1; shift
  : >"$work/$label"
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s%N)
    echo $(( (t1 - t0) / 1000000 )) >>"$work/$label"
  done
}
median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

one="taskset -c 0"
measure ours1 $one "$bench" --png "$picture" "$work/ours.png"
measure vips1 $one vips pngsave "$picture" "$work/vips.png"
measure oursN "$bench" --png "$picture" "$work/ours.png"
measure vipsN vips pngsave "$picture" "$work/vips.png"
ours_bytes=$(stat -c %s "$work/ours.png")
vips_bytes=$(stat -c %s "$work/vips.png")
# Both files hold the same pixels.
vips subtract "$work/ours.png" "$work/vips.png" "$work/diff.v" 2>/dev/null
same=$(vips max "$work/diff.v" 2>/dev/null)

echo "$made; RGB PNG, medians of $runs whole processes"
awk -v o1="$(median "$work/ours1")" -v v1="$(median "$work/vips1")" \
    -v oN="$(median "$work/oursN")" -v vN="$(median "$work/vipsN")" \
    -v ob="$ours_bytes" -v vb="$vips_bytes" -v cores="$(nproc)" -v same="$same" 'BEGIN {
  printf "one core:   ours %6d ms   vips pngsave %6d ms   time ours / vips %.2f\n", o1, v1, o1 / v1
  printf "%2d cores:   ours %6d ms   vips pngsave %6d ms   time ours / vips %.2f\n", cores, oN, vN, oN / vN
  printf "file size:  ours %.1f MB   vips pngsave %.1f MB   size ours / vips %.2f\n", ob / 1e6, vb / 1e6, ob / vb
  printf "largest pixel difference between the two files: %s\n", same
}'

if [ -n "${SETTINGS:-}" ]; then
  echo "our writer on one core, encode alone (ms) and size, by filter and zlib level:"
  for filter in none sub up average paeth; do
    for level in 1 2 3 6; do
      ms=$($one "$bench" --png "$picture" "$work/s.png" "$filter" "$level" 1 2>/dev/null)
      printf "  %-8s level %d  %6d ms  %.1f MB\n" "$filter" "$level" "$ms" "$(stat -c %s "$work/s.png" | awk '{ print $1 / 1e6 }')"
    done
  done
fi
