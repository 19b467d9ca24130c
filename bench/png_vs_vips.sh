#!/usr/bin/env bash
# PNG export of a 7200 x 5400 grid of real photographs against libvips'
# `vips pngsave` writing the same picture. Both are whole processes that read
# the same PPM and write a PNG, on one core (taskset) and on all cores.
# Two comparisons:
#   as shipped   our export's writer (Average filter, zlib level 2) against
#                vips' defaults (no filter, level 6);
#   equal        both sides with the same filter and level, so the zlib work
#                is the same and the writers themselves are compared; by
#                default Average at level 2 (EQUAL="none 6" for vips' own).
# Each comparison first runs both sides once unmeasured (the page cache, the
# dynamic loader), then RUNS times taking turns, ours then vips'. Prints the
# medians of wall time, the spread of each side ((slowest - fastest) /
# median), the file sizes, the ratios and the load average at the end.
#   BUILD_DIR=... RUNS=5 bench/png_vs_vips.sh          (default: build-bench)
#   SETTINGS=1 bench/png_vs_vips.sh                    also our filters and levels
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"

if ! command -v vips >/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get install -y -qq --no-install-recommends libvips-tools >/dev/null
fi
need taskset util-linux
[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed (apt-get install -y time)" >&2; exit 1; }
build_targets qf_bench_export
bench="$build/bench/qf_bench_export"

picture="$work/grid.ppm"
made=$("$bench" --picture "$(real_photos)" "$picture" 2>/dev/null)
cat "$picture" >/dev/null # into the page cache

# vips' names for our writer's filters.
vips_filter() { case $1 in average) echo avg ;; *) echo "$1" ;; esac; }

# compare LABEL CORES OURS_ARGS... -- VIPS_ARGS...: warm-up, then turns.
compare() {
  local label=$1 cores=$2
  shift 2
  local ours=() theirs=()
  while [ "$1" != "--" ]; do ours+=("$1"); shift; done
  shift
  theirs=("$@")
  local pin=()
  [ "$cores" = 1 ] && pin=(taskset -c 0)
  : >"$work/ours" && : >"$work/vips"
  "${pin[@]}" "$bench" --png "$picture" "$work/ours.png" "${ours[@]}" >/dev/null 2>&1
  "${pin[@]}" vips pngsave "$picture" "$work/vips.png" "${theirs[@]}"
  local i
  for ((i = 0; i < runs; i++)); do
    run_timed ours "${pin[@]}" "$bench" --png "$picture" "$work/ours.png" "${ours[@]}"
    run_timed vips "${pin[@]}" vips pngsave "$picture" "$work/vips.png" "${theirs[@]}"
  done
  local o v
  o=$(median 1 "$work/ours")
  v=$(median 1 "$work/vips")
  printf "%-28s %2s core(s)  ours %6d ms (±%2.0f%%)  vips %6d ms (±%2.0f%%)  ours / vips %.2f  size %.1f / %.1f MB\n" \
    "$label" "$cores" "$o" "$(spread "$work/ours")" "$v" "$(spread "$work/vips")" \
    "$(awk -v a="$o" -v b="$v" 'BEGIN { print a / b }')" \
    "$(stat -c %s "$work/ours.png" | awk '{ print $1 / 1e6 }')" \
    "$(stat -c %s "$work/vips.png" | awk '{ print $1 / 1e6 }')"
}

read -r eq_filter eq_level <<<"${EQUAL:-average 2}"
echo "$made; RGB PNG, medians of $runs whole processes, taking turns"
for cores in 1 "$(nproc)"; do
  compare "as shipped / vips defaults" "$cores" -- 
  compare "equal: $eq_filter, level $eq_level" "$cores" "$eq_filter" "$eq_level" -- \
    --filter "$(vips_filter "$eq_filter")" --compression "$eq_level"
done
# Both files hold the same pixels.
vips subtract "$work/ours.png" "$work/vips.png" "$work/diff.v" 2>/dev/null
echo "largest pixel difference between the two files: $(vips max "$work/diff.v" 2>/dev/null)"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

if [ -n "${SETTINGS:-}" ]; then
  echo "our writer on one core, encode alone (ms) and size, by filter and zlib level:"
  for filter in none sub up average paeth; do
    for level in 1 2 3 6; do
      ms=$(taskset -c 0 "$bench" --png "$picture" "$work/s.png" "$filter" "$level" 1 2>/dev/null)
      printf "  %-8s level %d  %6d ms  %.1f MB\n" "$filter" "$level" "$ms" "$(stat -c %s "$work/s.png" | awk '{ print $1 / 1e6 }')"
    done
  done
fi
