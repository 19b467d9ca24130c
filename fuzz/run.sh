#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time
# (FUZZ_SECONDS, 60 by default). Not part of the tests.
#   bash fuzz/run.sh [target...]    all targets when none is named
# Each target's whole output is kept in the build folder as TARGET.log, and
# an input that failed in fuzz/findings/ (not kept in git).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${FUZZ_BUILD:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
targets=("$@")
[ ${#targets[@]} -gt 0 ] ||
  targets=(fuzz_slot_json fuzz_collage_json fuzz_collage_types fuzz_envelope fuzz_package fuzz_intake
    fuzz_plist fuzz_templates fuzz_positions fuzz_custom_size)

if [ ! -f "$build/build.ninja" ]; then
  CXX=clang++ CC=clang cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQF_BUILD_TESTS=OFF -DQF_BUILD_BENCH=OFF -DQF_BUILD_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" >/dev/null
fi
cmake --build "$build" --target "${targets[@]}" >/dev/null

for target in "${targets[@]}"; do
  corpus="$build/corpus-$target"
  mkdir -p "$corpus" "$root/fuzz/findings"
  cp -n "$root"/fuzz/seeds/"$target"/* "$corpus"/ 2>/dev/null || true
  echo "== $target for ${seconds}s"
  LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp" QT_QPA_PLATFORM=offscreen "$build/fuzz/$target" -max_total_time="$seconds" -max_len=4096 \
    -artifact_prefix="$root/fuzz/findings/$target-" "$corpus" >"$build/$target.log" 2>&1 || true
  grep -E 'DONE|ERROR|SUMMARY' "$build/$target.log" || true
done
