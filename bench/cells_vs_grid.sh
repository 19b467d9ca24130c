#!/usr/bin/env bash
# Exporting the same 100 real photographs at 7200 x 5400 to JPEG (quality
# 90) as a 10 x 10 grid and as every other collage type (mosaic, centre
# frame, zig mosaic, hexagons, pile, shape pile), each type as a new one of
# it lays the photos out (qf_bench_export --make, --make-type). Whole process
# against whole process: each opens its saved project (the pictures' proxies
# made as a window would) and exports it. The photos are the peers' real
# photographs (photos.sh), their distinct pictures taken in turn, each file
# made distinct by bytes after the JPEG's end (a project holds equal files
# once); every type gets the same files. Each type runs RUNS times, taking
# turns, under /usr/bin/time -v; prints the medians of wall time, peak memory
# (max RSS) and the export alone as our program measures it (render and
# encode), the spread of each type's times, and each type's ratios to the
# grid. TYPES picks the types (the grid always runs); KEEP=DIR keeps the
# projects there, and reuses them when they are there already (before and
# after a change, the same layouts).
#   BUILD_DIR=... RUNS=5 TYPES="pile zigmosaic" bench/cells_vs_grid.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"

[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed (apt-get install -y time)" >&2; exit 1; }
need identify imagemagick
build_targets qf_bench_export
bench="$build/bench/qf_bench_export"
photos=$(real_photos)
count=100 width=7200 height=5400 quality=90
types=(grid)
for type in ${TYPES:-mosaic centerframe zigmosaic hexagon pile circlepile}; do
  [ "$type" = grid ] || types+=("$type")
done
projects="${KEEP:-$work/projects}"
mkdir -p "$projects"

for type in "${types[@]}"; do
  project="$projects/$type.quiltfolioproj"
  if [ -d "$project" ] && [ -f "$projects/$type.made" ]; then
    continue
  fi
  [ -d "$work/photos" ] || distinct_photos "$photos" "$count" "$work/photos"
  if [ "$type" = grid ]; then
    make=(--make "$work/photos" "$project" "$width" "$height" 10 10)
  else
    make=(--make-type "$type" "$work/photos" "$project" "$width" "$height")
  fi
  "$bench" "${make[@]}" >"$projects/$type.made" 2>"$work/make.txt" || { cat "$work/make.txt" >&2; exit 1; }
done

cat "$projects"/*.quiltfolioproj/Images/* >/dev/null # into the page cache
for _ in $(seq "$runs"); do
  for type in "${types[@]}"; do
    run_timed "$type" "$bench" "$projects/$type.quiltfolioproj" "$work/$type.jpg" "$width" "$height" "$quality"
  done
done
load=$(cut -d' ' -f1 /proc/loadavg)
for type in "${types[@]}"; do
  format=$(identify -format '%wx%h Q%Q' "$work/$type.jpg" 2>/dev/null)
  [ "$format" = "${width}x$height Q$quality" ] ||
    { echo "$type.jpg is $format, not ${width}x$height Q$quality" >&2; exit 1; }
done

echo "$count real photographs (from $photos) into a ${width}x$height JPEG, Q$quality;" \
  "$(nproc) cores; medians of $runs whole processes taking turns; load $load at the end"
for type in "${types[@]}"; do
  sed 's/^/  /' "$projects/$type.made"
done
printf '%-12s %9s %7s %8s %10s %10s %10s %12s\n' type "wall ms" spread "MB" "export ms" "wall/grid" "mem/grid" \
  "export/grid"
gm=$(median 1 "$work/grid") gk=$(median 2 "$work/grid") ge=$(median 1 "$work/grid.out")
for type in "${types[@]}"; do
  awk -v t="$type" -v m="$(median 1 "$work/$type")" -v k="$(median 2 "$work/$type")" \
    -v s="$(spread "$work/$type")" -v e="$(median 1 "$work/$type.out")" -v gm="$gm" -v gk="$gk" -v ge="$ge" 'BEGIN {
    printf "%-12s %9d %6.0f%% %8d %10d %10.2f %10.2f %12.2f\n", t, m, s, k / 1024, e, m / gm, k / gk, e / ge
  }'
done
echo "wall: the whole process (open the project, make its proxies, export); export: render and encode alone;"
echo "MB: max RSS; x/grid: the type over the 10 x 10 grid (above 1: slower, or larger);"
echo "spread: (slowest - fastest) / median of a type's wall times"
