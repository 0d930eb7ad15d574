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
  # video clips (--video, F12); ffmpeg/ffprobe read them back in the tests
  libavcodec-dev libavformat-dev libavfilter-dev libswscale-dev libavutil-dev ffmpeg
  libcli11-dev nlohmann-json3-dev
  xvfb xauth xdotool x11-apps x11-utils xfonts-base libx11-dev imagemagick python3
  # cpack -G DEB (dpkg-shlibdeps, file); the install test (desktop-file-validate, groff)
  dpkg-dev file desktop-file-utils groff-base
  # scripts/check-format.sh
  clang-format
  # scripts/test-portable.sh: the golden test built for arm64 and run under
  # qemu-user, with the arm64 libraries the layers beneath the program link
  g++-aarch64-linux-gnu qemu-user
  libglu1-mesa-dev:arm64 libpng-dev:arm64 libcurl4-openssl-dev:arm64 libsdl2-image-dev:arm64
  libgtest-dev:arm64
)

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: run as root (it calls apt-get)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
# The :arm64 packages come from the same archive through multiarch.
if ! dpkg --print-foreign-architectures | grep -qx arm64; then
  dpkg --add-architecture arm64
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
