#!/usr/bin/env bash
# Builds the Debian package tarnwell_<version>_amd64.deb into build-package/
# (or the folder given as first argument), with Debian's hardening flags.
# A new folder is configured without the tests and benchmarks; a folder that
# tools/run-tests.sh built already has the same flags and is packaged as it is.
# Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build-package}
source tools/hardening-flags.sh
options=()
[ -f "$folder/CMakeCache.txt" ] || options=(-DTARNWELL_BUILD_TESTS=OFF -DTARNWELL_BUILD_BENCH=OFF)
tools/build.sh "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >&2
(cd "$folder" && rm -f tarnwell_*.deb && cpack -G DEB >&2)
ls "$PWD/$folder"/tarnwell_*.deb
