#!/usr/bin/env bash
# The one list of Debian packages the build, the program and the tests need.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri
  libsdl2-dev libsdl2-image-dev
  libpng-dev zlib1g-dev
  libfreetype-dev libfontconfig-dev fonts-liberation2
  libcurl4-openssl-dev
  libcli11-dev nlohmann-json3-dev
  xvfb xauth xdotool x11-apps x11-utils xfonts-base libx11-dev imagemagick python3
  # cpack -G DEB (dpkg-shlibdeps, file); the install test (desktop-file-validate, groff)
  dpkg-dev file desktop-file-utils groff-base
  # scripts/check-format.sh
  clang-format
)

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: run as root (it calls apt-get)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
