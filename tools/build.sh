#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as first argument);
# further arguments go to CMake. BUILD_TARGETS limits what is built.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build}
shift || true
cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
targets=()
for target in ${BUILD_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$folder" -j "$(nproc)" "${targets[@]}"
