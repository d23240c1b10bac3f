#!/usr/bin/env bash
# Installs every Debian package that building, running, testing and
# benchmarking Palvex needs. README and CI both call this one script.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev clang-format
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev libgif-dev libtiff-dev
  libcurl4-openssl-dev
  qt6-base-dev fonts-dejavu-core xvfb xauth xdotool
  dpkg-dev
  curl wrk apache2-utils iproute2 nginx-light imagemagick libvips-tools python3
  chromium
)
# Node may come from elsewhere with its own npm; Debian's only when missing.
command -v node >/dev/null || PACKAGES+=(nodejs)
command -v npm >/dev/null || PACKAGES+=(npm)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
