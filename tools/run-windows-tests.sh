#!/usr/bin/env bash
# Cross-builds the Qt-free core, its programs and its tests for Windows into
# build-windows/ (or the folder given as first argument; further arguments go
# to CMake) and runs the tests under Wine, in one fresh prefix that is removed
# afterwards. CTEST_ARGS adds ctest options, e.g. CTEST_ARGS="-R Mkcramfs".
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
folder=${1:-build-windows}
shift || true
# No debug information: the tests build markedly faster, and Wine prints no
# stacks anyway.
tools/build-windows.sh "$folder" -DCMAKE_BUILD_TYPE=Release -DTARNWELL_BUILD_TESTS=ON "$@"

wine=${WINE:-/usr/lib/wine/wine64}
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
export WINE=$wine
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tarnwell-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all
# No Mono or Gecko installers: the tests need neither, and a fresh prefix
# would otherwise offer them.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wineserver="$(dirname "$wine")/wineserver"
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
finish() {
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap finish EXIT

started=$(date +%s)
# One server for every test program, kept until the end instead of restarted.
"$wineserver" -p
"$wine" wineboot -i >/dev/null 2>&1
echo "Wine prefix ready in $(( $(date +%s) - started )) s"

cd "$folder"
echo "Left out of the Windows tests, and why:"
sed 's/^/  /' windows-tests-left-out.txt
# Twice the cores: most tests wait on sockets and timers, not on the CPU.
status=0
# shellcheck disable=SC2086
ctest -j "$(( $(nproc) * 2 ))" --output-on-failure --timeout 300 ${CTEST_ARGS:-} || status=$?
# ctest shows no output of a skipped test; its reason is the line after "Skipped".
echo "Skipped under Wine, and why:"
awk '/^\[ RUN      \]/ { name = $4 } /: Skipped$/ { getline reason; print "  " name ": " reason }' \
  Testing/Temporary/LastTest.log
exit "$status"
