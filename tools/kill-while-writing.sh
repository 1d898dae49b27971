#!/usr/bin/env bash
# Kills `lumara` at random moments while it writes a project, a PNG, a text export and an animation,
# and checks after every kill that the destination holds either the old bytes or exactly what an
# undisturbed run writes: never a mixture, never a short file; and that the folder holds nothing
# else (the temporary file being written has no name until it is complete). With
# LUMARA_NAMED_TEMPORARIES=1 (file systems without unnamed temporaries) a kill may leave a hidden
# ".out.EXT.XXXXXXXXXXXX.part" beside the destination, and nothing else.
# Usage: tools/kill-while-writing.sh [path/to/lumara] [kills per command, default 50]
set -euo pipefail
lumara=${1:-build/lumara}
kills=${2:-50}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A project of many states, so that writing it takes long enough to be interrupted.
python3 - "$work/big.json" <<'PY'
import json, sys, uuid
state = lambda i: {"id": str(uuid.uuid4()).upper(), "name": f"State {i}", "config": {
    "backgroundColors": [{"red": 0.1, "green": 0.2, "blue": 0.3, "opacity": 1.0}] * 32,
    "glowColor": {"red": 1.0, "green": 1.0, "blue": 1.0, "opacity": 1.0}, "coloredBlobs": False, "gradientType": 0,
    "gradientAngle": 0.0, "backgroundBlur": 0.0, "orbSize": 280.0, "cornerRadius": 1.0, "blobCount": 2, "complexity": 6,
    "amplitude": 0.15, "blobScale": 1.0, "blobSpread": 0.25, "blobOpacity": 0.75, "blobBlur": 1.0, "blobBlendMode": 0,
    "speed": 60.0, "glowIntensity": 1.0, "glowSoftness": 1.0, "innerRingWidth": 1.0, "showBackground": True,
    "showWavyBlobs": True, "showGlowEffects": True, "showShadow": True}}
json.dump({"states": [state(i) for i in range(1000)], "selectedStateIndex": 0, "transitionDuration": 0.6}, open(sys.argv[1], "w"))
PY

commands=(
  "convert $work/big.json OUT.lumara"
  "render --scale 4 --time 1 -o OUT.png"
  "export html -o OUT.html"
  "animate --duration 0.5 --scale 0.5 -o OUT.gif"
  "animate --duration 0.5 --scale 0.5 -o OUT.mp4"
)
failures=0
for template in "${commands[@]}"; do
  ext=${template##*OUT.}
  folder="$work/$ext" # a folder of its own, so that whatever a kill leaves behind shows
  mkdir "$folder"
  out="$folder/out.$ext"
  command=${template//OUT.$ext/$out}
  # shellcheck disable=SC2086
  "$lumara" $command
  cp "$out" "$work/complete"
  for ((k = 0; k < kills; k++)); do
    printf 'old' > "$out"
    # shellcheck disable=SC2086
    "$lumara" $command & victim=$!
    sleep "0.$(printf '%03d' $((RANDOM % 400)))"
    kill -9 "$victim" 2>/dev/null || true
    wait "$victim" 2>/dev/null || true
    if ! cmp -s "$out" <(printf 'old') && ! cmp -s "$out" "$work/complete"; then
      echo "after kill $k of '$template': $(stat -c %s "$out") bytes, neither the old file nor the new" >&2
      failures=$((failures + 1))
    fi
    while IFS= read -r stray; do
      if [[ ${LUMARA_NAMED_TEMPORARIES:-} == 1 && $stray =~ ^\.out\.$ext\.[0-9a-f]{12}\.part$ ]]; then
        rm -f "${folder:?}/$stray"
        continue
      fi
      echo "after kill $k of '$template': $stray was left in the folder" >&2
      failures=$((failures + 1))
    done < <(ls -A "$folder" | grep -vxF "out.$ext")
  done
  echo "lumara $command: $kills kills, destination always whole, nothing left beside it"
done
exit $((failures > 0))
