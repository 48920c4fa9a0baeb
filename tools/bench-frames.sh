#!/usr/bin/env bash
# What a frame costs and how many are drawn, under Wine and llvmpipe (figures,
# not pass or fail), for each build given:
# - frames per second (Wine's fps channel), the share of a core the saver takes
#   over 6 s and the CPU time per frame, full screen at 320x240 and at
#   1024x768, and as the preview in a 320x240 pane;
# - milliseconds from a key to the full-screen saver's exit at 1024x768;
# - the frames, the share of a core and the CPU time per frame at 1024x768
#   within one start, on mains, then on battery, then on mains again, as the
#   system tells it (the presets' costs differ several times over between
#   starts);
# - the CPU time per frame of drawing 4000 particles one by one and in one
#   draw, at a 1 x 1 viewport (tests/display/scene_bench.exe draw).
# A build of an earlier commit, given as a second folder, shows what a change
# did (for instance: git worktree add /tmp/before HEAD~1, build it with
# tools/test.sh -N there, pass /tmp/before/build/x64).
# Usage: tools/bench-frames.sh [x86|x64] [BUILD_FOLDER...]   (default: build/<arch>)
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-$(tests/harness/arch-runs.sh)}
shift || true
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=("${ZUVARIR_BUILD_DIR:-build}/$arch")
seconds=6

for build in "${builds[@]}"; do
  build=$(realpath "$build")
  export ZUVARIR_SCR="$build/zuvarir.scr" ZUVARIR_BUILD=$build
  [ -f "$ZUVARIR_SCR" ] || { echo "no $ZUVARIR_SCR" >&2; exit 1; }
  for size in 320x240 1024x768; do
    source tests/harness/private_env.sh --arch "$arch" --size "$size"
    log=$ZUVARIR_WINE_ENV/fps.log
    WINEDEBUG=+fps zv_stderr=$log start_full_screen || exit 1
    sleep 4
    echo "$build, full screen $size: $(frame_cost "$saver" "$log" "$seconds")"
    echo "$build, full screen $size: key to exit $(key_to_exit "$saver") ms"
    if [ "$size" = 1024x768 ]; then
      WINEDEBUG=+fps zv_stderr=$log start_full_screen || exit 1
      sleep 4
      for source in mains battery mains; do
        probe power "$source"
        echo "$build, full screen $size on $source: $(frame_cost "$saver" "$log" "$seconds" after)"
      done
      xdotool key space
      wait_exit "$saver" 5
      WINEDEBUG=+fps zv_stderr=$log start_preview "$ZUVARIR_WINE_ENV/pane.log"
      sleep 4
      echo "$build, preview 320x240: $(frame_cost "$preview" "$log" "$seconds")"
      [ -f "$build/tests/display/scene_bench.exe" ] &&
        WINEPATH="Z:$build" wine "$build/tests/display/scene_bench.exe" 3 draw | tr -d '\r' | sed "s|^|$build, |"
    fi
    zv_cleanup
  done
done
