#!/usr/bin/env bash
# Installs what the program needs and is missing, builds it, and opens the
# Velmora window. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Only the program (its translations come with it): the tests and
# benchmarks, and the packages they need, are left for scripts/test.sh.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCH=OFF
cmake --build build -j"$(nproc)" --target Velmora
exec build/src/ui/velmora "$@"
