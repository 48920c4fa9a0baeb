#!/usr/bin/env bash
# Benchmarks of the full-screen saver under Wine and llvmpipe, on a private Xvfb
# at 1024x768 and at 1920x1080 (figures, not pass or fail):
# - what a frame costs: the CPU time of `zuvarir.scr /s` (all its threads,
#   llvmpipe's among them) per frame, over 10 s, three starts, each with the
#   preset it draws at random; frames are paced to the display, so their rate
#   (Wine's fps channel) stays at 60 and the cost is the figure to read;
# - the drawing of one frame of each of the gallery's presets (tools/gallery.sh),
#   a hundred times over, by the render tool: milliseconds and processor time
#   per frame, the same preset and particles every time;
# - time from starting `zuvarir.scr /s` until the screen first shows lit pixels,
#   polled from outside with screenshots (so up to one screenshot late), cold
#   (the first Wine program on a fresh display) and warm (another Wine program
#   already running, as on a desktop).
# The figures depend on the machine's load; run it on an otherwise idle one.
# Usage: tools/bench-saver.sh [x86|x64]   (default: as tools/run-saver.sh picks;
# build/<arch> built beforehand, by tools/test.sh for instance)
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-$(tests/harness/arch-runs.sh)}
build=$(realpath "${ZUVARIR_BUILD_DIR:-build}/$arch")
export ZUVARIR_SCR="$build/zuvarir.scr" ZUVARIR_BUILD=$build
[ -f "$ZUVARIR_SCR" ] || { echo "build zuvarir in $build first" >&2; exit 1; }

first_frame_seconds() {
  local start shot lit
  shot=$(mktemp --suffix=.png)
  start=$(date +%s.%N)
  start_saver /s
  for _ in $(seq 600); do
    screenshot "$shot" 2>/dev/null || continue
    lit=$(convert "$shot" -colorspace gray -threshold 2% -format '%[fx:mean]' info:)
    if awk -v l="$lit" 'BEGIN { exit !(l > 0.0005) }'; then
      awk -v end="$(date +%s.%N)" -v start="$start" 'BEGIN { printf "%.3f\n", end - start }'
      break
    fi
  done
  # Ended by its PID: with another Wine program about, keys may go to that one.
  kill "$zv_last_pid" 2>/dev/null || true
  wait "$zv_last_pid" 2>/dev/null || true
  rm -f "$shot"
}

for size in 1024x768 1920x1080; do
  source tests/harness/private_env.sh --arch "$arch" --size "$size"
  echo "== $size"
  echo "first lit frame, cold: $(first_frame_seconds) s"
  for shot in "0 8 floor" "1 6 floor" "2 5" "3 8 floor" "4 6" "5 5" "6 8" "7 6 floor" "8 6"; do
    read -r preset seconds floor <<<"$shot"
    echo "drawing of preset $preset${floor:+ with the ground}: $(WINEPATH="Z:$build" wine "$build/tools/render_preset.exe" \
      "$preset" "$seconds" "${size%x*}" "${size#*x}" "$ZUVARIR_WINE_ENV/frame.ppm" $floor --time 100 | tr -d '\r')"
  done
  for run in 1 2 3; do
    WINEDEBUG=+fps zv_stderr=$ZUVARIR_WINE_ENV/fps.log start_full_screen || exit 1
    sleep 4
    echo "cost of a frame, run $run: $(frame_cost "$saver" "$ZUVARIR_WINE_ENV/fps.log" 10)"
    kill "$saver" 2>/dev/null && wait "$saver" 2>/dev/null || true
  done
  # A console program waiting on its input keeps Wine warm without a window
  # that would light the screen; closing the input ends it.
  mkfifo "$ZUVARIR_WINE_ENV/keeper"
  wine cmd <"$ZUVARIR_WINE_ENV/keeper" >/dev/null 2>&1 &
  keeper=$!
  exec 4>"$ZUVARIR_WINE_ENV/keeper"
  sleep 3
  for run in 1 2 3; do
    echo "first lit frame, warm, run $run: $(first_frame_seconds) s"
  done
  exec 4>&-
  wait "$keeper" 2>/dev/null || true
  zv_cleanup
done
