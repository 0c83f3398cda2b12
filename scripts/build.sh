#!/usr/bin/env bash
# Configures and builds the project in build/ (or, with --sanitize, build-asan/ with
# AddressSanitizer and UndefinedBehaviorSanitizer and without the benchmarks), with warnings
# as errors. Further arguments name the targets to build (e.g. ordrex-cli); without them,
# everything is built.
#   bash scripts/build.sh [--sanitize] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DORDREX_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
  shift
  build=build-asan
  flags=(-DORDREX_SANITIZE=ON -DORDREX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug -DORDREX_WERROR=ON)
fi

targets=()
for target in "$@"; do
  targets+=(--target "$target")
done

cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
