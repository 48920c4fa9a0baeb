#!/usr/bin/env bash
# Benchmarks of the full-screen saver under Wine and llvmpipe, on a private Xvfb
# at 1024x768 and at 1920x1080 (figures, not pass or fail):
# - frames per second of the scene with its pool of 4000 kept full, and with a
#   preset's own emission, counted by tests/display/scene_bench.exe, a build of
#   the real scene that counts its RenderFrame calls;
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
scr="$build/zuvarir.scr"
bench="$build/tests/display/scene_bench.exe"
[ -f "$scr" ] && [ -f "$bench" ] || { echo "build zuvarir and scene_bench in $build first" >&2; exit 1; }

first_frame_seconds() {
  local start shot lit pid
  shot=$(mktemp --suffix=.png)
  start=$(date +%s.%N)
  wine "$scr" /s >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 600); do
    screenshot "$shot" 2>/dev/null || continue
    lit=$(convert "$shot" -colorspace gray -threshold 2% -format '%[fx:mean]' info:)
    if awk -v l="$lit" 'BEGIN { exit !(l > 0.0005) }'; then
      awk -v end="$(date +%s.%N)" -v start="$start" 'BEGIN { printf "%.3f\n", end - start }'
      break
    fi
  done
  # Ended by its PID: with another Wine program about, keys may go to that one.
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -f "$shot"
}

for size in 1024x768 1920x1080; do
  source tests/harness/private_env.sh --arch "$arch" --size "$size"
  echo "== $size"
  echo "first lit frame, cold: $(first_frame_seconds) s"
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
  WINEPATH="Z:$build" wine "$bench" 3 | tr -d "\r" | sed "s/^/full pool: /"
  WINEPATH="Z:$build" wine "$bench" 3 preset | tr -d "\r" | sed "s/^/preset rate: /"
  exec 4>&-
  wait "$keeper" 2>/dev/null || true
  zv_cleanup
done
