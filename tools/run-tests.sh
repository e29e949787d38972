#!/usr/bin/env bash
# Installs the packages, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
# Hardened as the package is, so CI makes the package from this very build.
source tools/hardening-flags.sh
tools/build.sh build
cd build
ctest -j "$(nproc)" --output-on-failure --timeout 600
