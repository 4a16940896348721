#!/usr/bin/env bash
# Configures and builds everything, tests and benchmarks included, into the
# folder given (default: build), passing any further arguments to CMake's
# configure step. Needs the packages of scripts/install-deps.sh --tests.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
shift || true
# Tests and benchmarks are switched on by name: scripts/run.sh switches them
# off in the same folder, and CMake would otherwise keep that.
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release \
  -DVELMORA_BUILD_TESTS=ON -DVELMORA_BUILD_BENCH=ON "$@"
cmake --build "$build_dir" -j"$(nproc)"
