#!/usr/bin/env bash
# Installs the packages, builds, and starts the operator console next to a
# simulated device on 127.0.0.2, with the console's address already set to it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
# build/ is configured as tools/run-tests.sh configures it.
source tools/hardening-flags.sh
BUILD_TARGETS="tarnwell tarnwell-devsim tarnwell_devsearch tarnwell-journal" tools/build.sh build

if [ -z "${DISPLAY:-}" ]; then
  cat <<'HINT'
No display here. Run the console in a virtual one:
  xvfb-run -a -s "-screen 0 1024x768x24" tools/try-console.sh
and look at it with a screenshot from another shell, e.g.
  DISPLAY=:99 import -window root console.png
(or start Xvfb :99 yourself and export DISPLAY=:99 first).
HINT
  exit 1
fi

# Settings of this trial live beside the build, not in the user's own.
export XDG_CONFIG_HOME="$PWD/build/try-config" XDG_DATA_HOME="$PWD/build/try-data"
mkdir -p "$XDG_CONFIG_HOME/Orvel Software"
settings="$XDG_CONFIG_HOME/Orvel Software/Velmora.conf"
[ -f "$settings" ] || printf '[General]\nUpgradeIP=127.0.0.2\nUpgradeMacAddr=00:12:13:14:15:16\n' >"$settings"
# The trial's journal is made once, on purpose, like a station's.
[ -f "$XDG_DATA_HOME/Tarnwell/journal.sqlite3" ] || build/bin/tarnwell-journal init

web_port=80
[ "$(id -u)" -eq 0 ] || web_port=8080
build/bin/tarnwell-devsim --listen 127.0.0.2 --web-port "$web_port" --log build/devsim.log &
simulator=$!
trap 'kill $simulator 2>/dev/null' EXIT
echo "Simulated device on 127.0.0.2 (command port 10002, web port $web_port); its log: build/devsim.log"
build/bin/tarnwell
