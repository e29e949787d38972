#!/usr/bin/env bash
# Builds the Debian package tarnwell_<version>_amd64.deb into build-package/
# (or the folder given as first argument), with Debian's hardening flags and
# without the tests and benchmarks. Prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build-package}
# Debian's own compiler and linker flags; CMake takes them from the environment
# when the folder is first configured.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CXXFLAGS="$CXXFLAGS $CPPFLAGS" CFLAGS="$CFLAGS $CPPFLAGS"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
tools/build.sh "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNWELL_BUILD_TESTS=OFF -DTARNWELL_BUILD_BENCH=OFF \
  "${launcher[@]}" >&2
(cd "$folder" && rm -f tarnwell_*.deb && cpack -G DEB >&2)
ls "$PWD/$folder"/tarnwell_*.deb
