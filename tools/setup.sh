#!/usr/bin/env bash
# Installs what building, running and testing Oblimo needs on Debian 12, and
# any further packages named on the command line (the tools a benchmark
# compares with). Runs apt only when a package is missing, through sudo when
# not root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins libgl-dev
  libjpeg62-turbo-dev libturbojpeg0-dev libpng-dev libheif-dev
  libgtest-dev libbenchmark-dev
  xvfb xauth x11-utils imagemagick
  xclip
  fonts-noto-cjk fonts-dejavu-core fonts-urw-base35
  qt6-translations-l10n
  xdotool dbus at-spi2-core python3-pyatspi
  libtiff-dev libgif-dev
  libexif-dev liblcms2-dev
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
