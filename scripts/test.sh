#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
# With --sanitize the suite is built and run under AddressSanitizer and
# UndefinedBehaviorSanitizer instead, in its own build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --tests

if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-sanitize
  scripts/build.sh "$build_dir" -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_BENCH=OFF
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
else
  build_dir=build
  scripts/build.sh "$build_dir"
fi

cd "$build_dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --no-tests=error
