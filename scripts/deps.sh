#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, when
# any of them is missing. Usage: scripts/deps.sh [run|test|bench]
set -euo pipefail
# dpkg-dev and file let "cpack -G DEB" find the package's dependencies; the
# font covers the Chinese and Japanese interface.
packages=(cmake g++ make pkg-config libwxgtk3.2-dev libpango1.0-dev gettext libimagequant-dev libgif-dev
  libexpat1-dev libcurl4-openssl-dev libzstd-dev liblz4-dev libswscale-dev
  libavformat-dev libavcodec-dev libwebp-dev libpng-dev zlib1g-dev libdeflate-dev dpkg-dev file fonts-noto-cjk)
if [ "${1:-run}" = test ]; then
  packages+=(libgtest-dev xvfb xauth xdotool imagemagick giflib-tools gifsicle libxml2-utils unzip
    openssl desktop-file-utils appstream xdg-utils shared-mime-info libglib2.0-bin libpango1.0-dev
    groff-base)
fi
if [ "${1:-run}" = test ]; then
  packages+=(python3-pil)  # a second reader of the GIF loop count
  packages+=(ffmpeg)  # makes the videos the video reader is tested on
  packages+=(webp)  # webpmux reads the animated WebP back; ffprobe (ffmpeg) the APNG
  # The plain build also builds the benchmarks: the resize candidates.
  packages+=(libstb-dev libpixman-1-dev)
  # The fuzz targets (scripts/fuzz.sh): clang, its libFuzzer, and its OpenMP
  # runtime, which the GIF layer links.
  packages+=(clang libclang-rt-dev libomp-dev)
fi
if [ "${1:-run}" = bench ]; then
  packages+=(imagemagick gifsicle ffmpeg giflib-tools bc python3-pil)
  # recording_bench.sh records real programs on a virtual screen.
  packages+=(xvfb xterm x11-apps xdotool)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
