#!/usr/bin/env bash
# Installs the Debian packages Velmora needs, and only those that are
# missing. Uses sudo when not run as root.
#
#   install-deps.sh           what builds and runs the program
#   install-deps.sh --tests   that, plus what the tests, the benchmarks and
#                             the Debian package need
#
# No package may stop to ask a question: the script also runs without a
# terminal (CI, a log file). When root cannot be had here, it says what to
# run as root and exits non-zero.
set -euo pipefail

program_packages=(
  g++ make cmake pkg-config
  qt6-base-dev qt6-tools-dev qt6-l10n-tools qt6-tools-dev-tools
  qt6-translations-l10n
  libfluidsynth-dev fluid-soundfont-gm
  libasound2-dev libsndfile1-dev librtmidi-dev
  # Exported audio is brought to a shared loudness (EBU R128).
  libebur128-dev
  # JACK 2 and its headers in one go: the headers alone would swap out the
  # JACK 1 ones that libfluidsynth-dev came with, the server alone removes them.
  jackd2 libjack-jackd2-dev
  libmpfr-dev
  # Music -> Sync -> Ableton Link: header-only, with its asio.
  ableton-link-dev
  # Export Video: Debian's FFmpeg libraries (H.264/AAC in MP4, VP9/Opus in WebM).
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  fonts-vlgothic
)

test_packages=(
  libgtest-dev libbenchmark-dev
  # The smoke test: a virtual X server, real clicks, screenshots.
  xvfb xdotool imagemagick
  # bench/loudness_report.sh records the live sound from a private sound server.
  pulseaudio pulseaudio-utils
  # Exported MIDI files are read back by an implementation that is not ours.
  python3 python3-mido
  # A second Link peer (LinkHut) and JACK's transport and MIDI tools for
  # trying Music -> Sync by hand; iproute2 sets up the tests' private network.
  ableton-link-utils iproute2
  # Exported videos are probed and decoded by FFmpeg's own command-line tools.
  ffmpeg
  # The Debian package test: dpkg-shlibdeps and the checkers.
  dpkg-dev lintian appstream desktop-file-utils man-db
)

packages=("${program_packages[@]}")
case "${1:-}" in
  "") ;;
  --tests) packages+=("${test_packages[@]}") ;;
  *) echo "usage: $0 [--tests]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

tell_root_command() {  # REASON
  echo "Velmora needs ${#missing[@]} Debian packages, and installing them takes root: $1" >&2
  echo "Run as root: apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}" >&2
  echo "Then run this command again." >&2
  exit 1
}

# sudo clears the environment, so the frontend is handed over through env.
as_root=(env DEBIAN_FRONTEND=noninteractive)
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo > /dev/null; then
    tell_root_command "sudo is not installed."
  fi
  if ! sudo -n true 2> /dev/null; then
    # A password is needed. Ask for it only where someone can type it; a
    # refusal (wrong password, no sudo rights) ends in the same advice.
    if ! { : < /dev/tty; } 2> /dev/null; then
      tell_root_command "sudo needs a password and there is no terminal to ask for it."
    fi
    echo "Installing ${#missing[@]} Debian packages needs root: sudo may ask for your password." >&2
    if ! sudo -v; then
      tell_root_command "sudo did not give root here."
    fi
  fi
  as_root=(sudo "${as_root[@]}")
fi

echo "Installing ${#missing[@]} Debian packages: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
# The server's question about real-time priority is answered up front, with
# Debian's own default, in case a frontend that asks is forced from elsewhere.
if [[ " ${missing[*]} " == *" jackd2 "* ]]; then
  echo "jackd2 jackd/tweak_rt_limits boolean false" | "${as_root[@]}" debconf-set-selections
fi
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
