#!/usr/bin/env bash
# How loud Velmora's sound is and whether it clips, for two builds side by
# side: the default piece (64 and 400 steps) and the loudest pair of
# instruments at velocity 127, played live into a private PulseAudio
# server's null sink (recorded with parec, as 16-bit samples, the sink's
# format) and exported with --audio; then how the limiter acts on the
# default piece, against the same piece unlimited.
#
#   bench/loudness_report.sh BEFORE_VELMORA AFTER_VELMORA SOUND_LEVEL_REPORT
#
# BEFORE_VELMORA is a velmora that has --audio but no limiter (built from
# 9de9da7 in a worktree of its own: git worktree add /tmp/before 9de9da7);
# AFTER_VELMORA and SOUND_LEVEL_REPORT come from this tree's build
# (build/src/ui/velmora, build/bench/sound_level_report). Needs Debian's
# pulseaudio, pulseaudio-utils and xvfb; takes about two minutes.
set -euo pipefail
before=$(realpath "$1")
after=$(realpath "$2")
report=$(realpath "$3")
soundfont=/usr/share/sounds/sf2/default-GM.sf2

work=$(mktemp -d)
pulse_pid=
cleanup() {
  [ -n "$pulse_pid" ] && kill "$pulse_pid" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

# A private sound server, settings folder and runtime folder: nothing of the
# user's is read or changed, and nothing is heard.
mkdir -m 700 runtime home
export XDG_RUNTIME_DIR=$work/runtime HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
pulseaudio --daemonize=no --exit-idle-time=-1 -n --log-target=file:"$work/pulse.log" \
  --load="module-null-sink sink_name=velmora_null rate=44100" --load=module-native-protocol-unix &
pulse_pid=$!
for _ in $(seq 50); do pactl info > /dev/null 2>&1 && break; sleep 0.1; done

place() {  # NAME LENGTH [MUSIC]
  local music=${3:+, \"music\": $3}
  printf '{"velmora": 1, "view": {"xMin": "-2", "xMax": "0.7", "yMin": "-1.4", "yMax": "1.3"},
 "iterations": 100, "length": %s, "start": {"x": 189, "y": 178}%s}\n' "$2" "$music" > "$1.json"
}

# The loudest programs of the SoundFont, each measured alone at velocity 127.
read -r _ melody _ _ _ chord _ _ < <("$report" --loudest-programs "$soundfont")
echo "loudest at velocity 127 in $soundfont: melody program $melody, chord program $chord"
place default64 64
place default400 400
place loudest64 64 "{\"stepMilliseconds\": 200, \"key\": \"C\", \"scale\": \"major\", \"melodyProgram\": $melody,
 \"chordProgram\": $chord, \"melodyVolume\": 127, \"chordVolume\": 127}"

live() {  # VELMORA PLACE OUT.wav SECONDS
  parec -d velmora_null.monitor --format=s16le --rate=44100 --channels=2 --file-format=wav "$3" &
  local recorder=$!
  xvfb-run -a sh -c '"$1" "$2" & player=$!; sleep "$3"; kill -TERM $player; wait $player' sh "$1" "$2.json" "$4" \
    > /dev/null 2>&1 || true
  kill -INT $recorder
  wait $recorder || true
}

for build in before after; do
  velmora=${!build}
  echo "== $build: $velmora"
  # 64 steps of 200 ms, and the SoundFont's loading and the last notes' ring.
  for piece in default64 loudest64; do
    live "$velmora" $piece live-$build-$piece.wav 18
    "$report" live-$build-$piece.wav
  done
  for piece in default64 loudest64 default400; do
    if [ $build = before ]; then
      "$velmora" --audio export-before-$piece.wav $piece.json
      "$report" export-before-$piece.wav
    else
      "$velmora" --audio export-after-$piece-as-played.wav --no-normalise $piece.json
      "$velmora" --audio export-after-$piece.wav $piece.json
      "$report" export-after-$piece-as-played.wav export-after-$piece.wav
    fi
  done
done

echo "== the limiter on the default piece as played (exported; frames clipped before are left out)"
for piece in default64 default400; do
  echo "$piece:"
  "$report" --compare export-before-$piece.wav export-after-$piece-as-played.wav
done
