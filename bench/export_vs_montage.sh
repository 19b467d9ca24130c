#!/usr/bin/env bash
# Exporting a grid of 30 photographs (4000 x 3000 JPEGs) at 7200 x 5400 to
# JPEG against ImageMagick's `montage` making the same grid from the same
# files. Each side runs 5 times under /usr/bin/time; prints the medians of
# wall time and peak memory (max RSS) and the ratios. The goal is at least
# 3x faster than montage with no more memory.
#   BUILD_DIR=... RUNS=5 bench/export_vs_montage.sh   (default: build-bench)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build-bench}"
runs="${RUNS:-5}"
command -v montage >/dev/null || { echo "montage (ImageMagick) is not installed"; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed"; exit 1; }
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DQF_BUILD_TESTS=OFF -DQF_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" --target qf_bench_export >/dev/null
bench="$build/bench/qf_bench_export"

# The photographs, made once: the test picture at 4000 x 3000, each with its
# own noise so that all 30 are different files.
photos="${TMPDIR:-/tmp}/qf-bench-export-photos"
if [ "$(ls "$photos" 2>/dev/null | wc -l)" -ne 30 ]; then
  rm -rf "$photos" && mkdir -p "$photos"
  for i in $(seq -w 1 30); do
    convert "$root/tests/data/astronaut.jpg" -resize '4000x3000!' -seed "$i" \
      -attenuate 0.4 +noise Gaussian -modulate 100,100,$((80 + 10#$i)) -quality 92 "$photos/photo$i.jpg"
  done
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$bench" --make "$photos" "$work/grid.quiltfolioproj" >/dev/null 2>&1
# Debian's ImageMagick policy caps memory at 256 MiB and the disk cache at
# 1 GiB, under which montage cannot hold 30 such photographs: lift the caps
# for this run only, so that montage is measured doing the work.
mkdir -p "$work/im"
cat >"$work/im/policy.xml" <<'POLICY'
<policymap>
  <policy domain="resource" name="memory" value="16GiB"/>
  <policy domain="resource" name="map" value="16GiB"/>
  <policy domain="resource" name="disk" value="16GiB"/>
  <policy domain="resource" name="area" value="4GP"/>
  <policy domain="resource" name="width" value="64KP"/>
  <policy domain="resource" name="height" value="64KP"/>
</policymap>
POLICY
export MAGICK_CONFIGURE_PATH="$work/im"

# runs of: <label> command...  -> "wall_ms rss_kb" per run in $work/<label>
measure() {
  local label=$1; shift
  : >"$work/$label"
  for _ in $(seq "$runs"); do
    /usr/bin/time -v -o "$work/time.txt" "$@" >/dev/null 2>&1
    local wall rss
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; printf "%d", s * 1000 }' "$work/time.txt")
    rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")
    echo "$wall $rss" >>"$work/$label"
  done
}
median() { # column file
  sort -n -k"$1" "$2" | awk -v c="$1" '{ v[NR] = $c } END { print v[int((NR + 1) / 2)] }'
}

cat "$photos"/*.jpg >/dev/null # into the page cache
measure ours "$bench" "$work/grid.quiltfolioproj" "$work/ours.jpg"
measure montage montage "$photos"/*.jpg -tile 6x5 -geometry '1200x1080!+0+0' -quality 96 "$work/montage.jpg"
# montage told to decode the JPEGs scaled down (its fastest way).
measure hinted montage -define jpeg:size=1200x1080 "$photos"/*.jpg -tile 6x5 -geometry '1200x1080!+0+0' \
  -quality 96 "$work/hinted.jpg"

# The export alone, as the program reports it.
export_ms=$(for _ in $(seq "$runs"); do "$bench" "$work/grid.quiltfolioproj" "$work/ours.jpg" 2>/dev/null; done | sort -n |
  awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')

ours_ms=$(median 1 "$work/ours"); ours_kb=$(median 2 "$work/ours")
mont_ms=$(median 1 "$work/montage"); mont_kb=$(median 2 "$work/montage")
hint_ms=$(median 1 "$work/hinted"); hint_kb=$(median 2 "$work/hinted")
echo "30 photographs of 4000 x 3000 into a 7200 x 5400 JPEG, medians of $runs"
echo "ours (open project + export): ${ours_ms} ms, max RSS $((ours_kb / 1024)) MB  (export alone ${export_ms} ms)"
echo "montage:                      ${mont_ms} ms, max RSS $((mont_kb / 1024)) MB"
echo "montage -define jpeg:size:      ${hint_ms} ms, max RSS $((hint_kb / 1024)) MB"
identify -format 'sizes: ours %wx%h' "$work/ours.jpg"; identify -format ', montage %wx%h\n' "$work/montage.jpg" 2>/dev/null
awk -v o="$ours_ms" -v m="$mont_ms" -v ok="$ours_kb" -v mk="$mont_kb" 'BEGIN {
  if (o > 0) printf "speed: montage / ours = %.2fx\n", m / o
  if (mk > 0) printf "memory: ours / montage = %.2f\n", ok / mk }'
awk -v o="$ours_ms" -v m="$hint_ms" -v ok="$ours_kb" -v mk="$hint_kb" 'BEGIN {
  if (o > 0) printf "against montage with jpeg:size: %.2fx faster, memory %.2f\n", m / o, ok / mk }'
