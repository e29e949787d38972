#!/usr/bin/env bash
# Installs the packages, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh build
cd build
ctest -j "$(nproc)" --output-on-failure --timeout 600
