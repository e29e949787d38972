#!/usr/bin/env bash
# Cross-builds the Windows programs into build-windows/ (or the folder given as
# first argument) with mingw-w64; further arguments go to CMake. The window
# needs a Qt for Windows and stays out; so do the benchmarks. Tests are off
# unless -DTARNWELL_BUILD_TESTS=ON is passed. BUILD_TARGETS limits what is built.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build-windows}
shift || true
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# The host's flags (tools/hardening-flags.sh) are for the host compiler only.
env -u CFLAGS -u CXXFLAGS -u CPPFLAGS -u LDFLAGS \
cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DTARNWELL_BUILD_GUI=OFF -DTARNWELL_BUILD_BENCH=OFF -DTARNWELL_BUILD_TESTS=OFF \
  "${launcher[@]}" "$@" >/dev/null
targets=()
for target in ${BUILD_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$folder" -j "$(nproc)" "${targets[@]}"
