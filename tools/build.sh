#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as first argument);
# further arguments go to CMake. BUILD_TARGETS limits what is built.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build}
shift || true
launcher=()
# Rebuilds of unchanged sources are free when ccache is there.
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
targets=()
for target in ${BUILD_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$folder" -j "$(nproc)" "${targets[@]}"
