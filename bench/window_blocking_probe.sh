#!/usr/bin/env bash
# Runs build/bench/window_blocking_probe with a PulseAudio server of its own
# (a null sink, so nothing is heard and no sound card is needed), which the
# probe stops with SIGSTOP to play a sound server that no longer answers.
# Without PulseAudio (Debian's pulseaudio) that part is skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
probe=${1:-build/bench/window_blocking_probe}
if ! command -v pulseaudio > /dev/null; then
  echo "pulseaudio is not installed: the stopped sound server is left out"
  exec "$probe"
fi
runtime=$(mktemp -d)
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then
    kill -CONT "$server_pid" 2> /dev/null || true
    kill "$server_pid" 2> /dev/null || true
    wait "$server_pid" 2> /dev/null || true
  fi
  rm -rf "$runtime"
}
trap cleanup EXIT
export HOME="$runtime" XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$runtime/.config"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --disable-shm=yes \
  -L module-null-sink -L "module-native-protocol-unix socket=$runtime/server.socket auth-anonymous=1" \
  --log-target=stderr 2> "$runtime/pulse.log" &
server_pid=$!
for _ in $(seq 50); do
  [ -S "$runtime/server.socket" ] && break
  sleep 0.1
done
PULSE_SERVER="unix:$runtime/server.socket" VELMORA_SOUND_SERVER_PID="$server_pid" "$probe"
