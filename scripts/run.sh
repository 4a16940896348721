#!/usr/bin/env bash
# Installs what is missing, builds, and opens the Velmora window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Only the program (its translations come with it): the tests and
# benchmarks are left for scripts/test.sh.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target Velmora
exec build/src/ui/velmora "$@"
