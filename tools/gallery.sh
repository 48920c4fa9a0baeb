#!/usr/bin/env bash
# Makes the README's pictures again, each rendered by render_preset.exe (the
# saver's engine and drawing, a fixed seed, frames of 1/60 s) under Wine, shaped
# as most screens are (16:9), its proportions kept: the animation
# docs/saver.gif, 2 s of each of three presets at 20 frames a second, switched
# as the saver switches them, at 480 x 270; and each of the nine presets at
# 640 x 360 in docs/presets/preset-N.png. Each entry of `shots` is a preset, the seconds of
# frames before the picture (long enough for the stream to fill out) and
# whether the ground is drawn.
# Usage: tools/gallery.sh [x86|x64]   (default: as tools/run-saver.sh picks;
# build/<arch> built beforehand, by tools/test.sh for instance)
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-$(tests/harness/arch-runs.sh)}
build=$(realpath "${ZUVARIR_BUILD_DIR:-build}/$arch")
render="$build/tools/render_preset.exe"
[ -f "$render" ] || { echo "build render_preset in $build first" >&2; exit 1; }
source tests/harness/private_env.sh --arch "$arch" --size 640x480

WINEPATH="Z:$build" wine "$render" 4,1,7 6 480 270 "$ZUVARIR_WINE_ENV/saver.ppm" floor --frames 20 2
convert -delay 5 -loop 0 "$ZUVARIR_WINE_ENV/saver.ppm" -layers Optimize docs/saver.gif
echo "docs/saver.gif: $(identify docs/saver.gif | wc -l) frames, $(stat -c %s docs/saver.gif) bytes"

shots=("0 8 floor" "1 6 floor" "2 5" "3 8 floor" "4 6" "5 5" "6 8" "7 6 floor" "8 6")
mkdir -p docs/presets
for shot in "${shots[@]}"; do
  read -r preset seconds floor <<<"$shot"
  WINEPATH="Z:$build" wine "$render" "$preset" "$seconds" 640 360 "$ZUVARIR_WINE_ENV/shot.ppm" $floor
  convert "$ZUVARIR_WINE_ENV/shot.ppm" "docs/presets/preset-$preset.png"
  echo "docs/presets/preset-$preset.png: preset $preset after $seconds s${floor:+, with the ground}"
done
