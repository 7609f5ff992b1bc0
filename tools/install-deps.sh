#!/usr/bin/env bash
# Installs the Debian packages the player needs to build, run and test,
# and only those that are missing. Runs as root or through sudo.
set -euo pipefail

PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-webengine-dev qt6-webchannel-dev libxkbcommon-dev
  libqt6sql6-sqlite zlib1g-dev
  libvlc-dev vlc-plugin-base vlc-plugin-video-output
  libavformat-dev libavcodec-dev libavutil-dev libprotobuf-dev protobuf-compiler
  libssl-dev
  libjs-leaflet
  xvfb xauth xdotool imagemagick ffmpeg openbox gpsbabel
  clang libclang-rt-14-dev libbenchmark-dev
  fonts-dejavu-core desktop-file-utils x11-utils
  help2man man-db dpkg-dev file appstream
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
