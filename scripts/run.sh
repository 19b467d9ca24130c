#!/usr/bin/env bash
# Installs what is needed, builds, and starts the application.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh -DQF_BUILD_TESTS=OFF -DQF_BUILD_BENCH=OFF -DQF_WARNINGS_AS_ERRORS=OFF
exec ./build/app/quiltfolio "$@"
