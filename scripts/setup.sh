#!/usr/bin/env bash
# Installs every Debian package that building, running and testing VUDEZE
# needs. Safe to run again: it installs only what is missing, and runs
# apt-get update at most once.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev libx11-dev fonts-wqy-microhei qt6-translations-l10n
  libasound2-dev alsa-utils
  libespeak-ng-dev espeak-ng-data espeak-ng
  libsoxr-dev libspandsp-dev libicu-dev libopencc-dev libfftw3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  sox xvfb xauth imagemagick
  dpkg-dev file desktop-file-utils appstream lintian man-db bash-completion
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
