#!/usr/bin/env bash
# Configures and builds the project in build/ (or, with --sanitize, build-asan/ with
# AddressSanitizer and UndefinedBehaviorSanitizer and without the benchmarks).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  build=build-asan
  flags=(-DORDREX_SANITIZE=ON -DORDREX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
fi

cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
