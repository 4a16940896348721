#!/usr/bin/env bash
# Runs a command with ALSA's default output routed to the null plugin, so a
# machine without a sound card still opens the synthesizer's real ALSA
# driver. Only HOME (and the config folder beside it) change, pointing at a
# temporary folder that holds the routing and goes away afterwards.
#
# The null device never blocks, so the synthesizer's audio thread renders
# flat out instead of waiting on a sound card; at the real-time priority it
# asks for, it would starve the window's thread for tens of milliseconds.
# The command therefore runs without the right to real-time priority.
set -euo pipefail
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
printf 'pcm.!default { type null }\n' > "$home/.asoundrc"
ulimit -r 0
no_realtime=()
if [ "$(id -u)" -eq 0 ]; then
  no_realtime=(setpriv --bounding-set=-sys_nice)
fi
HOME="$home" XDG_CONFIG_HOME="$home/.config" "${no_realtime[@]}" "$@"
