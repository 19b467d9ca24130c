#!/usr/bin/env bash
# Builds everything with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the whole test suite: any memory error,
# leak of ours or undefined behaviour (a float converted to an integer it
# does not fit, a signed overflow, a misaligned or null access...) stops the
# test that hit it. Too slow for CI; run it by hand after changing code that
# reads files or typed values.
#   bash scripts/sanitize.sh [ctest arguments...]     e.g. -R Pile
# SAN_BUILD       build folder (build-san)
# SAN_JOBS        compile and test jobs (the number of cores)
# SAN_TEST_TIMEOUT  seconds each test may take (1500: sanitized code is slow)
# SAN_CXX         the compiler (clang++-14, else clang++; apt-get install clang-14)
# Leaks that fontconfig, GLib and libdbus keep for the life of the process
# are suppressed in fuzz/lsan.supp.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${SAN_BUILD:-$root/build-san}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
jobs="${SAN_JOBS:-$(nproc)}"
timeout="${SAN_TEST_TIMEOUT:-1500}"
cxx="${SAN_CXX:-$(command -v clang++-14 || command -v clang++)}"

# float-cast-overflow is part of "undefined" in clang 14; it is named anyway
# since it is what guards the numbers read from files and typed by a person.
sanitize="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=undefined,float-cast-overflow -fno-omit-frame-pointer"

# QF_UNDER_SANITIZERS: tests that limit the address space, which the
# sanitizers' shadow memory does not fit in, are left out.
# The build runs programs of its own (the template generator), so the
# sanitizers' settings hold for the build as well as for the tests.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp:print_suppressions=0"

CXX="$cxx" cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQF_BUILD_TESTS=ON -DQF_BUILD_BENCH=OFF -DQF_BUILD_FUZZ=OFF -DQF_WARNINGS_AS_ERRORS=OFF \
  -DQF_TEST_TIMEOUT="$timeout" \
  -DCMAKE_CXX_FLAGS="$sanitize -DQF_UNDER_SANITIZERS=1" -DCMAKE_EXE_LINKER_FLAGS="$sanitize" \
  -DCMAKE_SHARED_LINKER_FLAGS="$sanitize" >/dev/null
cmake --build "$build" --parallel "$jobs"
ctest --test-dir "$build" --output-on-failure --parallel "$jobs" "$@"
