#!/usr/bin/env bash
# Runs a program of the Windows cross build under Wine: ctest and GoogleTest's
# test listing call it for every .exe. The prefix is $WINEPREFIX (made once by
# tools/run-windows-tests.sh); no display is used.
set -euo pipefail
wine=${WINE:-/usr/lib/wine/wine64}
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
: "${WINEPREFIX:?set WINEPREFIX to a prefix made with wineboot (tools/run-windows-tests.sh does)}"
export WINEPREFIX WINEDEBUG=${WINEDEBUG:--all}
unset DISPLAY WAYLAND_DISPLAY
exec "$wine" "$@"
