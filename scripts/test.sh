#!/usr/bin/env bash
# Builds the project and runs every test. With --sanitize, the tests run in a separate build
# with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
[ "${1:-}" = "--sanitize" ] && build=build-asan
bash scripts/build.sh "$@"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
