#!/usr/bin/env bash
# Installs what building, running and testing Tarnwell needs, from Debian's
# archive only. Safe to run again.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libxcb1-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth x11-apps imagemagick fonts-wqy-microhei
  iproute2 tar util-linux time ccache
  libcli11-dev nlohmann-json3-dev
  help2man file lintian appstream desktop-file-utils
  libsqlite3-dev libpq-dev postgresql-15
  libcpp-httplib-dev chromium curl
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine64
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
