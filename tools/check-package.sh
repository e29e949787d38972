#!/usr/bin/env bash
# Builds the Debian package, validates it, installs it on this machine with
# apt-get, runs every installed program's --help, starts the installed console
# (offscreen) beside the installed simulator and checks that it loads the
# device-search library, then purges the package and checks that nothing is
# left behind. Needs root (or sudo); the machine keeps no trace of the package.
# The package is made in build-package/, or in the build folder given as the
# first argument (CI passes the folder its tests were built in).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

echo "== building the package"
folder=${1:-build-package}
deb=$(tools/build-package.sh "$folder" | tail -n 1)
echo "$deb"
dpkg-deb -c "$deb"

echo "== validators"
desktop-file-validate packaging/*.desktop
# --no-net: the CI machine may have no network; URLs are not checked.
appstreamcli validate --no-net "$folder"/package-files/*.metainfo.xml
lintian --fail-on error "$deb"

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  if dpkg-query -W -f='${Status}' tarnwell 2>/dev/null | grep -q installed; then
    $sudo apt-get purge -y -qq tarnwell >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# What lives outside the caches and logs, by name: the package must leave none of its own.
list_files() {
  find /usr /etc /opt /var -xdev \
    \( -path /var/cache -o -path /var/log -o -path /var/tmp -o -path /var/lib/apt -o -path /var/backups \) -prune \
    -o -print 2>/dev/null | grep -v -E '^/var/lib/dpkg/(status|available|lock|triggers/)' | sort
}

if dpkg-query -W -f='${Status}' tarnwell 2>/dev/null | grep -q installed; then
  $sudo apt-get purge -y -qq tarnwell >/dev/null
fi
list_files >"$work/before"

echo "== installing"
$sudo apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
programs=$(dpkg -L tarnwell | grep '^/usr/bin/' | sort)
[ -n "$programs" ] || { echo "no programs in the package" >&2; exit 1; }

echo "== --help of every program, and its manual page"
for program in $programs; do
  name=$(basename "$program")
  out=$(QT_QPA_PLATFORM=offscreen "$name" --help) || { echo "$name --help failed" >&2; exit 1; }
  grep -qE "^Usage: (.*/)?$name( |$)" <<<"$out" || { echo "$name --help printed no usage" >&2; exit 1; }
  [ -f "/usr/share/man/man1/$name.1.gz" ] || { echo "no manual page for $name" >&2; exit 1; }
  echo "ok $name"
done

echo "== the installed console beside the installed simulator"
address=127.0.0.214
tarnwell-devsim --listen "$address" --web-port 0 --log "$work/devsim.log" 2>"$work/devsim.err" &
pids+=($!)
mkdir -p "$work/config/Orvel Software" "$work/data" "$work/run"
chmod 700 "$work/run"
printf '[General]\nUpgradeIP=%s\n' "$address" >"$work/config/Orvel Software/Velmora.conf"
env -u DISPLAY QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="tarnwell.search.info=true" \
  XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run" \
  tarnwell 2>"$work/console.err" &
console=$!
pids+=("$console")
library=$(dpkg -L tarnwell | grep '/libtarnwell_devsearch\.so$')
for _ in $(seq 100); do
  grep -q "device-search library" "$work/console.err" && break
  kill -0 "$console" 2>/dev/null || break
  sleep 0.2
done
cat "$work/console.err"
grep -qF "device-search library loaded from $library" "$work/console.err" ||
  { echo "the installed console did not load $library" >&2; exit 1; }
sleep 1
kill -0 "$console" 2>/dev/null || { echo "the installed console ended by itself" >&2; exit 1; }
grep -q "1 device(s) from $address" "$work/devsim.err" || { cat "$work/devsim.err" >&2; exit 1; }

echo "== the installed web view over a journal the installed runner wrote"
# A journal is made on purpose; the station's memory of it stays in the work folder.
export XDG_DATA_HOME="$work/data"
tarnwell-journal --journal "$work/journal.sqlite3" init >"$work/init.out" 2>&1 ||
  { cat "$work/init.out" >&2; exit 1; }
tarnwell-line --journal "$work/journal.sqlite3" --station check --time "$address" >"$work/line.out" 2>&1 ||
  { cat "$work/line.out" >&2; exit 1; }
tarnwell-journal serve --journal "$work/journal.sqlite3" --listen 127.0.0.1:0 >"$work/serve.out" 2>&1 &
pids+=($!)
url=""
for _ in $(seq 100); do
  url=$(grep -o 'http://127\.0\.0\.1:[0-9]*/' "$work/serve.out" || true)
  [ -n "$url" ] && break
  sleep 0.1
done
[ -n "$url" ] || { cat "$work/serve.out" >&2; exit 1; }
# Into files first: grep -q stops reading early, which curl would report as a failure.
curl -fsS -o "$work/page.html" "$url" && grep -q '产线看板' "$work/page.html" ||
  { echo "the installed web view served no page" >&2; exit 1; }
curl -fsS -o "$work/summary.json" "${url}api/summary?since=2000-01-01" && grep -q '"total":1' "$work/summary.json" ||
  { echo "the installed web view did not count the unit" >&2; exit 1; }
echo "ok tarnwell-journal serve at $url"
for pid in "${pids[@]}"; do kill "$pid"; wait "$pid" 2>/dev/null || true; done
pids=()

echo "== purging"
$sudo apt-get purge -y -qq tarnwell >/dev/null
list_files >"$work/after"
if ! diff "$work/before" "$work/after"; then
  echo "files changed by installing and purging the package (above)" >&2
  exit 1
fi
echo "package check passed in $(( $(date +%s) - started )) s"
