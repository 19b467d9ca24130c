#!/usr/bin/env bash
# Exporting a pile of 30 real photographs at 7200 x 5400 to JPEG against
# ImageMagick's `convert` making the same kind of picture from the same
# files. Our pile: instant-camera frames (spacing 0.1), shadows, the photos
# spread out as a first add spreads them (about 1050 to 1600 pixels wide,
# tilted up to 8 degrees). `qf_bench_export --make-pile` lays it out the same
# way every run and lists where each photo lies, how large, how tilted;
# convert draws every photo there, at that size and tilt:
#   polaroid       each photo resized to its size, `-polaroid <its tilt>`
#                  (ImageMagick's own print: a thin frame, a curl, a shadow),
#                  composited at its place on a white canvas
#   polaroid hint  the same, the JPEGs decoded scaled down (-define
#                  jpeg:size, convert's fastest way to read them)
#   as ours, hint  our frame exactly (the border, the deeper bottom), turned,
#                  with our shadow (33 % black, sigma 22.5, 18 pixels right
#                  and down), the JPEGs decoded scaled down; the picture
#                  comes out as ours does (the script prints the PSNR)
# All write quality 90 with 4:2:0 chroma. Whole process against whole
# process: ours opens the saved project and exports it; convert reads the
# JPEG files. Both sides get the same cores: CORES of them (default: all),
# pinned with taskset; convert's OpenMP threads are set to as many. The
# photos are the peers' real photographs (photos.sh), each file made
# distinct by bytes after the JPEG's end (our project holds equal files
# once). Each side runs RUNS times, taking turns, under /usr/bin/time -v;
# prints the medians of wall time and peak memory (max RSS) and the ratios.
#   BUILD_DIR=... RUNS=5 CORES=8 bench/pile_vs_imagemagick.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/peers.sh
source "$root/bench/peers.sh"

# Debian's ImageMagick 6 under its own name: a `convert` earlier on PATH may be another program.
im=$(command -v convert-im6.q16 || true)
[ -n "$im" ] || { echo "convert-im6.q16 is not installed (apt-get install -y imagemagick)" >&2; exit 1; }
need identify imagemagick
need taskset util-linux
[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed (apt-get install -y time)" >&2; exit 1; }
compare=$(command -v compare-im6.q16 || true)
build_targets qf_bench_export
bench="$build/bench/qf_bench_export"
photos=$(real_photos)
quality=90 width=7200 height=5400 count=30
cores="${CORES:-$(nproc)}"
pin=(taskset -c "0-$((cores - 1))")

distinct_photos "$photos" "$count" "$work/photos"
project="$work/pile.quiltfolioproj"
"$bench" --make-pile "$work/photos" "$project" "$width" "$height" >"$work/layout.txt" 2>"$work/make.txt" ||
  { cat "$work/make.txt" >&2; exit 1; }
[ "$(grep -c '^slot ' "$work/layout.txt")" -eq "$count" ] ||
  { echo "the pile lists $(grep -c '^slot ' "$work/layout.txt") photos, not $count" >&2; exit 1; }

lift_imagemagick_caps "$work/im"
export MAGICK_THREAD_LIMIT="$cores" OMP_NUM_THREADS="$cores"

# convert's arguments for the whole pile, bottom photo first: MODE polaroid
# or framed; HINT 1 to decode each JPEG scaled down to its size.
pile_args() { # MODE HINT
  local mode=$1 hint=$2 tag file cx cy w h left top right bottom degrees
  local pw ph border extra gx gy read_hint
  args=(-size "${width}x$height" xc:white)
  while read -r tag file cx cy w h left top right bottom degrees; do
    [ "$tag" = slot ] || continue
    # -gravity center places each picture's centre at the canvas centre plus
    # the offset. A framed picture's centre lies off its photo's centre (the
    # deeper bottom), turned with it; the shadow widens it to the right and
    # down by its offset.
    read -r pw ph border extra gx gy < <(awk -v cx="$cx" -v cy="$cy" -v w="$w" -v h="$h" -v l="$left" \
      -v t="$top" -v r="$right" -v b="$bottom" -v a="$degrees" -v W="$width" -v H="$height" -v m="$mode" 'BEGIN {
      th = a * atan2(0, -1) / 180; dx = (l - r) / 2; dy = (t - b) / 2
      sx = m == "framed" ? dx * cos(th) - dy * sin(th) - 18 : 0
      sy = m == "framed" ? dx * sin(th) + dy * cos(th) - 18 : 0
      printf "%d %d %d %d %+d %+d\n", w + 0.5, h + 0.5, l + 0.5, b - t + 0.5, cx - sx - W / 2, cy - sy - H / 2
    }')
    read_hint=()
    [ "$hint" = 1 ] && read_hint=(-define "jpeg:size=${pw}x$ph")
    args+=("(" "${read_hint[@]}" "$file" -resize "${pw}x$ph!")
    if [ "$mode" = polaroid ]; then
      args+=(-bordercolor white -background black -polaroid "$degrees")
    else
      args+=(-bordercolor white -border "$border" -background white -gravity south -splice "0x$extra"
        -background none -rotate "$degrees" "(" +clone -background black -shadow 33x22.5+18+18 ")" +swap
        -background none -layers merge +repage)
    fi
    args+=(")" -gravity center -geometry "$gx$gy" -composite)
  done <"$work/layout.txt"
  args+=(-quality "$quality" -sampling-factor 4:2:0)
}
pile_args polaroid 0
polaroid=("${args[@]}")
pile_args polaroid 1
polaroid_hint=("${args[@]}")
pile_args framed 1
framed_hint=("${args[@]}")

cat "$work/photos"/*.jpg "$project"/Images/* >/dev/null # into the page cache
for _ in $(seq "$runs"); do
  run_timed ours "${pin[@]}" "$bench" "$project" "$work/ours.jpg" "$width" "$height" "$quality"
  run_timed polaroid "${pin[@]}" "$im" "${polaroid[@]}" "$work/polaroid.jpg"
  run_timed polaroid_hint "${pin[@]}" "$im" "${polaroid_hint[@]}" "$work/polaroid_hint.jpg"
  run_timed framed_hint "${pin[@]}" "$im" "${framed_hint[@]}" "$work/framed_hint.jpg"
done
for out in ours polaroid polaroid_hint framed_hint; do
  format=$(identify -format '%wx%h %[jpeg:sampling-factor] Q%Q' "$work/$out.jpg" 2>/dev/null)
  [ "$format" = "${width}x$height 2x2,1x1,1x1 Q$quality" ] ||
    { echo "$out.jpg is $format, not ${width}x$height 4:2:0 Q$quality" >&2; exit 1; }
done
psnr=n/a
[ -n "$compare" ] && psnr=$("$compare" -metric PSNR "$work/ours.jpg" "$work/framed_hint.jpg" null: 2>&1 || true)

echo "$count real photographs (from $photos) in a pile, into a ${width}x$height JPEG, Q$quality 4:2:0;" \
  "$cores cores for each side (taskset, convert's threads $cores); medians of $runs whole processes"
printf '%-40s %8s %8s %10s %10s\n' side "ms" "MB" "time o/i" "mem o/i"
awk -v om="$(median 1 "$work/ours")" -v ok="$(median 2 "$work/ours")" -v ex="$(median 1 "$work/ours.out")" \
  -v pm="$(median 1 "$work/polaroid")" -v pk="$(median 2 "$work/polaroid")" \
  -v hm="$(median 1 "$work/polaroid_hint")" -v hk="$(median 2 "$work/polaroid_hint")" \
  -v fm="$(median 1 "$work/framed_hint")" -v fk="$(median 2 "$work/framed_hint")" 'BEGIN {
  printf "%-40s %8d %8d %10s %10s   (export alone %d ms)\n", "ours (open project + export)", om, ok / 1024, "", "", ex
  printf "%-40s %8d %8d %10.3f %10.2f\n", "convert -polaroid", pm, pk / 1024, om / pm, ok / pk
  printf "%-40s %8d %8d %10.3f %10.2f\n", "convert -polaroid, jpeg:size", hm, hk / 1024, om / hm, ok / hk
  printf "%-40s %8d %8d %10.3f %10.2f\n", "convert frame+shadow as ours, jpeg:size", fm, fk / 1024, om / fm, ok / fk
}'
echo "time o/i, mem o/i: ours / convert (below 1: ours is faster, or smaller); MB: max RSS"
echo "outputs checked: ${width}x$height, 4:2:0, Q$quality on every side; ours against convert's frame+shadow: PSNR $psnr dB"
