# shellcheck shell=bash
# Shared by the side-by-side scripts (sourced, not run): the build of our
# benchmark programs, the peer programs, the real photographs and timing.
# The sourcing script sets `root` (the top of the tree) and `work` (its
# temporary folder, removed on exit) first.
#   BUILD_DIR   our build (default: build-bench at the top of the tree)
#   PEERS_DIR   the peers' folder (default: shared/peers beside the tree)
#   RUNS        runs of each side (default 5); figures are their medians

# shellcheck disable=SC2034,SC2154 # used by the sourcing scripts; root and work are theirs
build="${BUILD_DIR:-$root/build-bench}"
peers="${PEERS_DIR:-$root/../shared/peers}"
# shellcheck disable=SC2034
runs="${RUNS:-5}"

# Configures our Release build when needed and builds the targets.
build_targets() { # target...
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DQF_BUILD_TESTS=OFF -DQF_BUILD_BENCH=ON >/dev/null
  fi
  local log
  if ! log=$(cmake --build "$build" --target "$@" 2>&1); then
    echo "$log" >&2
    exit 1
  fi
}

# The path of a peer program: the one on PATH, or else built from
# $peers/NAME.c into the build folder.
peer_program() { # NAME
  local name=$1
  if command -v "$name" >/dev/null; then
    command -v "$name"
    return
  fi
  local out="$build/peers/$name"
  if [ ! -x "$out" ] || [ "$peers/$name.c" -nt "$out" ]; then
    if ! command -v pkg-config >/dev/null || ! pkg-config --exists vips; then
      echo "$name is not on PATH, and building it from $peers/$name.c needs libvips' headers:" >&2
      echo "  apt-get install -y libvips-dev pkg-config" >&2
      exit 1
    fi
    mkdir -p "$build/peers"
    # shellcheck disable=SC2046 # pkg-config's words are separate arguments
    cc -O2 "$peers/$name.c" $(pkg-config --cflags --libs vips) -lpthread -o "$out" >&2
  fi
  echo "$out"
}

need() { # command package
  command -v "$1" >/dev/null || { echo "$1 is not installed (apt-get install -y $2)" >&2; exit 1; }
}

# The folder of real photographs (downloaded once by the peers' photos.sh).
real_photos() {
  bash "$peers/photos.sh"
}

# COUNT distinct JPEG files photo-0000.jpg... in DEST, made from the distinct
# photographs of SRC taken in turn (the wallpaper packages hold one picture
# under several names). Each copy ends with a few bytes of its own after the
# JPEG's end-of-image marker, which decoders do not read: a repeated
# photograph is then another file, as the collage wants, at the same cost to
# decode. Both sides of a comparison get the same files.
distinct_photos() { # SRC COUNT DEST
  local src=$1 count=$2 dest=$3
  local unique=()
  mapfile -t unique < <(cd "$src" && find . -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) -print0 |
    sort -z | xargs -0 md5sum | awk '!seen[$1]++ { sub(/^[0-9a-f]+  \.\//, ""); print }')
  [ "${#unique[@]}" -gt 0 ] || { echo "no JPEGs in $src" >&2; exit 1; }
  mkdir -p "$dest"
  local i file
  for ((i = 0; i < count; i++)); do
    file=$(printf '%s/photo-%04d.jpg' "$dest" "$i")
    cp "$src/${unique[i % ${#unique[@]}]}" "$file"
    printf 'quiltfolio bench copy %04d\n' "$i" >>"$file"
  done
}

# One run of a whole process: appends "wall_ms max_rss_kb" to $work/LABEL and
# what the program printed to $work/LABEL.out. The wall time is taken around
# /usr/bin/time -v, which gives the peak memory.
run_timed() { # label command...
  local label=$1
  shift
  local t0 t1
  t0=$(date +%s%N)
  # shellcheck disable=SC2154 # work is the sourcing script's
  if ! /usr/bin/time -v -o "$work/time.txt" "$@" >>"$work/$label.out" 2>"$work/stderr.txt"; then
    echo "failed: $*" >&2
    tail -n 20 "$work/stderr.txt" >&2
    exit 1
  fi
  t1=$(date +%s%N)
  echo "$(((t1 - t0) / 1000000)) $(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time.txt")" \
    >>"$work/$label"
}

# The median of a column of numbers in a file (of runs, an odd count).
median() { # column file
  sort -g -k"$1" "$2" | awk -v c="$1" '{ v[NR] = $c } END { print v[int((NR + 1) / 2)] }'
}

# The spread of a file's run times (its first column): (slowest - fastest)
# / median, in percent.
spread() { # file
  sort -g -k1 "$1" | awk '{ v[NR] = $1 } END { m = v[int((NR + 1) / 2)]; print (m > 0 ? 100 * (v[NR] - v[1]) / m : 0) }'
}

# Debian's ImageMagick policy caps memory at 256 MiB and the disk cache at
# 1 GiB: a canvas of 7200 x 5400, or many large photographs, would go to
# disk or be refused. Lifts the caps for this run only (a policy in DIR), so
# that ImageMagick is measured doing the work in memory.
lift_imagemagick_caps() { # DIR
  mkdir -p "$1"
  cat >"$1/policy.xml" <<'POLICY'
<policymap>
  <policy domain="resource" name="memory" value="16GiB"/>
  <policy domain="resource" name="map" value="16GiB"/>
  <policy domain="resource" name="disk" value="16GiB"/>
  <policy domain="resource" name="area" value="4GP"/>
  <policy domain="resource" name="width" value="64KP"/>
  <policy domain="resource" name="height" value="64KP"/>
</policymap>
POLICY
  export MAGICK_CONFIGURE_PATH="$1"
}
