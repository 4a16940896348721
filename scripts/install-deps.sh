#!/usr/bin/env bash
# Installs the Debian packages Velmora needs to build, run and test, and
# only those that are missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools
  libfluidsynth-dev libasound2-dev fluid-soundfont-gm
  libsndfile1-dev librtmidi-dev
  # JACK 2 and its headers together: the headers alone would swap out the
  # JACK 1 ones that libfluidsynth-dev came with, the server alone removes them.
  jackd2 libjack-jackd2-dev
  fonts-vlgothic
  libgtest-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick
  python3 python3-mido
  dpkg-dev fakeroot lintian appstream desktop-file-utils man-db
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
