#!/usr/bin/env bash
# Installs what the build needs (Debian 12) and builds everything into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build ccache clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-webengine-dev qt6-webengine-dev-tools
  qt6-webchannel-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-svg-dev
  libqt6opengl6-dev qt6-qpa-plugins qt6-translations-l10n libqt6sql6-sqlite sqlite3 libsqlite3-dev
  xvfb xauth x11-utils openbox imagemagick ffmpeg libxml2-utils dbus playerctl
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav
  gstreamer1.0-tools gstreamer1.0-plugins-base-apps libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev pkg-config
  fonts-dejavu-core fonts-noto-cjk
  libprotobuf-dev protobuf-compiler libexpat1-dev
  libopencv-dev libopencv-contrib-dev opencv-data
  dpkg-dev appstream desktop-file-utils lintian
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" ${CMAKE_ARGS:-} >/dev/null
cmake --build build -j "$(nproc)"
