#!/usr/bin/env bash
# What a frame costs and how many are drawn, under Wine and llvmpipe (figures,
# not pass or fail), for each build given:
# - frames per second (Wine's fps channel, the median of its once-a-second
#   figures) and the share of a core the saver takes over 6 s, full screen at
#   320x240 and at 1024x768, and as the preview in a 320x240 pane;
# - milliseconds from a key to the full-screen saver's exit at 1024x768;
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

# "FPS fps, CPU % of a core" of the newest saver process, whose fps log is LOG.
measure() {
  local cpu fps
  cpu=$(cpu_percent "$(prefix_processes zuvarir.scr | tail -n1)" "$seconds")
  fps=$(grep -o 'approx [0-9.]*fps' "$1" | tail -n +3 | tr -dc '0-9.\n' | sort -n |
    awk '{ v[NR] = $1 } END { print NR ? v[int((NR + 1) / 2)] : 0 }')
  awk -v f="$fps" -v c="$cpu" 'BEGIN { printf "%.0f fps, %.0f %% of a core", f, c }'
}

for build in "${builds[@]}"; do
  build=$(realpath "$build")
  scr="$build/zuvarir.scr"
  [ -f "$scr" ] || { echo "no $scr" >&2; exit 1; }
  for size in 320x240 1024x768; do
    source tests/harness/private_env.sh --arch "$arch" --size "$size"
    log=$ZUVARIR_WINE_ENV/fps.log
    WINEDEBUG=+fps wine "$scr" /s >/dev/null 2>"$log" &
    saver=$!
    sleep 4
    echo "$build, full screen $size: $(measure "$log")"
    start=$(date +%s%N)
    xdotool key space
    wait "$saver" || true
    echo "$build, full screen $size: key to exit $(( ($(date +%s%N) - start) / 1000000 )) ms"
    if [ "$size" = 1024x768 ]; then
      WINEDEBUG=+fps wine "$build/tests/display/preview_pane.exe" "$(winepath -w "$scr")" 320 240 \
        >/dev/null 2>"$log" &
      pane=$!
      sleep 4
      echo "$build, preview 320x240: $(measure "$log")"
      kill "$pane" "$(prefix_processes zuvarir.scr | tail -n1)" 2>/dev/null || true
      wait "$pane" 2>/dev/null || true
      [ -f "$build/tests/display/scene_bench.exe" ] &&
        WINEPATH="Z:$build" wine "$build/tests/display/scene_bench.exe" 3 draw | tr -d '\r' | sed "s|^|$build, |"
    fi
    zv_cleanup
  done
done
