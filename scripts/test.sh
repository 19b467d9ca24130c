#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if [ "${QF_CI:-0}" = 1 ]; then
  # CI: no warning passes, with gcc or with clang.
  bash scripts/build.sh -DQF_BUILD_TESTS=ON -DQF_BUILD_BENCH=ON -DQF_WARNINGS_AS_ERRORS=ON
  bash scripts/clang-check.sh build
else
  bash scripts/build.sh -DQF_BUILD_TESTS=ON -DQF_BUILD_BENCH=ON -DQF_WARNINGS_AS_ERRORS=OFF
fi
ctest --test-dir build --output-on-failure --parallel "$(nproc)"
