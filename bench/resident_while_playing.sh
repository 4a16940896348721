#!/usr/bin/env bash
# Resident memory of the real program while a piece plays: starts it on a
# private virtual X server with ALSA routed to the null device, draws,
# traces, composes from a point on the set's boundary, and reads the
# resident size a few seconds into the piece.
#
# Usage: bench/resident_while_playing.sh [PROGRAM]   (default: build/src/ui/velmora)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=${1:-$here/../build/src/ui/velmora}
[ -x "$program" ] || { echo "no program at $program" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid="" app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
export XDG_RUNTIME_DIR="$work"

"$here/with_null_audio.sh" "$program" >"$work/app.log" 2>&1 &
app_pid=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the window did not appear" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
# Anything above the designed 578 x 497 client area is the menu bar.
left=$X top=$((Y + HEIGHT - 497))
click() { xdotool mousemove "$((left + $1))" "$((top + $2))" sleep 0.2 click 1; sleep "$3"; }

click 60 112 3           # Draw All Area, accuracy 中
click 60 192 1           # Trace Outline
click 60 232 1           # Compose Music, then its message
xdotool key Return
sleep 1
click $((136 + 336)) $((40 + 207)) 5   # a boundary cell right of the main cardioid's cusp

pid=$(pgrep -f -n "^$program" || true)
[ -n "$pid" ] || { echo "the program is not running" >&2; exit 1; }
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")
printf 'resident while playing: %d MB (peak %d MB)\n' "$((rss / 1024))" "$((hwm / 1024))"
