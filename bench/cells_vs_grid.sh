#!/usr/bin/env bash
# Exporting the same 100 real photographs at 7200 x 5400 to JPEG (quality
# 90) as a 10 x 10 grid, a zig mosaic and hexagons, each type as a new one of
# it lays the photos out (qf_bench_export --make, --make-type). Whole process
# against whole process: each opens its saved project (the pictures' proxies
# made as a window would) and exports it. The photos are the peers' real
# photographs (photos.sh), their distinct pictures taken in turn, each file
# made distinct by bytes after the JPEG's end (a project holds equal files
# once); every type gets the same files. Each type runs RUNS times, taking
# turns, under /usr/bin/time -v; prints the medians of wall time, peak memory
# (max RSS) and the export alone as our program measures it (render and
# encode), and each type's ratios to the grid.
#   BUILD_DIR=... RUNS=3 bench/cells_vs_grid.sh      (default: build-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
RUNS="${RUNS:-3}"
# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"

[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed (apt-get install -y time)" >&2; exit 1; }
need identify imagemagick
build_targets qf_bench_export
bench="$build/bench/qf_bench_export"
photos=$(real_photos)
count=100 width=7200 height=5400 quality=90
types=(grid zigmosaic hexagon)

distinct_photos "$photos" "$count" "$work/photos"
for type in "${types[@]}"; do
  if [ "$type" = grid ]; then
    make=(--make "$work/photos" "$work/$type.quiltfolioproj" "$width" "$height" 10 10)
  else
    make=(--make-type "$type" "$work/photos" "$work/$type.quiltfolioproj" "$width" "$height")
  fi
  "$bench" "${make[@]}" >"$work/$type.made" 2>"$work/make.txt" || { cat "$work/make.txt" >&2; exit 1; }
done

cat "$work/photos"/*.jpg "$work"/*.quiltfolioproj/Images/* >/dev/null # into the page cache
for _ in $(seq "$runs"); do
  for type in "${types[@]}"; do
    run_timed "$type" "$bench" "$work/$type.quiltfolioproj" "$work/$type.jpg" "$width" "$height" "$quality"
  done
done
for type in "${types[@]}"; do
  format=$(identify -format '%wx%h Q%Q' "$work/$type.jpg" 2>/dev/null)
  [ "$format" = "${width}x$height Q$quality" ] ||
    { echo "$type.jpg is $format, not ${width}x$height Q$quality" >&2; exit 1; }
done

echo "$count real photographs (from $photos) into a ${width}x$height JPEG, Q$quality;" \
  "$(nproc) cores; medians of $runs whole processes"
for type in "${types[@]}"; do
  sed 's/^/  /' "$work/$type.made"
done
printf '%-12s %9s %8s %10s %10s %10s %12s\n' type "wall ms" "MB" "export ms" "wall/grid" "mem/grid" "export/grid"
gm=$(median 1 "$work/grid") gk=$(median 2 "$work/grid") ge=$(median 1 "$work/grid.out")
for type in "${types[@]}"; do
  awk -v t="$type" -v m="$(median 1 "$work/$type")" -v k="$(median 2 "$work/$type")" \
    -v e="$(median 1 "$work/$type.out")" -v gm="$gm" -v gk="$gk" -v ge="$ge" 'BEGIN {
    printf "%-12s %9d %8d %10d %10.2f %10.2f %12.2f\n", t, m, k / 1024, e, m / gm, k / gk, e / ge
  }'
done
echo "wall: the whole process (open the project, make its proxies, export); export: render and encode alone;"
echo "MB: max RSS; x/grid: the type over the 10 x 10 grid (above 1: slower, or larger)"
