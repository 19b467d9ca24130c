#!/usr/bin/env bash
# Compiles every translation unit of a configured build, and the fuzz
# targets' sources, with clang 14 for syntax and warnings only, warnings as
# errors: what a Debian 12 user building with clang would meet, without a
# second full build. Run after scripts/build.sh (it reads the build's
# compile_commands.json and the headers its code generators wrote).
#   bash scripts/clang-check.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 scripts/clang_check.py "${1:-build}"
