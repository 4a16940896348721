#!/usr/bin/env bash
# Installs the Debian packages Velmora needs to build, run and test, and
# only those that are missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools
  libfluidsynth-dev libasound2-dev fluid-soundfont-gm
  fonts-vlgothic qt6-translations-l10n
  libsndfile1-dev librtmidi-dev
  # JACK 2 and its headers together: the headers alone would swap out the
  # JACK 1 ones that libfluidsynth-dev came with, the server alone removes them.
  jackd2 libjack-jackd2-dev
  libgtest-dev libbenchmark-dev
  libmpfr-dev
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
  if ! command -v sudo > /dev/null; then
    echo "Velmora needs these Debian packages, and installing them takes root: ${missing[*]}" >&2
    echo "Run as root: apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
