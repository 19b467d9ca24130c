#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh -DQF_BUILD_TESTS=ON -DQF_BUILD_BENCH=ON
ctest --test-dir build --output-on-failure --parallel "$(nproc)"
