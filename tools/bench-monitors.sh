#!/usr/bin/env bash
# The saver on two monitors, under Wine and llvmpipe on Xorg's dummy driver
# (1024 x 768 at 60 Hz, 800 x 600 at 75 Hz), figures not pass or fail:
# - the share of a core and the frames of one view alone at each size (the other
#   monitor black, "EveryMonitor" 0; the 800 x 600 monitor made the primary for
#   its turn), of both views together, and the ratio of the two views' share to
#   the sum of the two alone;
# - milliseconds from a key to the exit with two views.
# Every start picks its presets at random, and they differ in cost, so each
# figure is the median of RUNS starts (default 5), each measured for 6 s.
# Usage: tools/bench-monitors.sh [x86|x64] [RUNS]   (default: as tools/run-saver.sh
# picks; build/<arch> built beforehand, by tools/test.sh for instance)
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-$(tests/harness/arch-runs.sh)}
runs=${2:-5}
build=$(realpath "${ZUVARIR_BUILD_DIR:-build}/$arch")
export ZUVARIR_SCR="$build/zuvarir.scr" ZUVARIR_BUILD=$build
[ -f "$ZUVARIR_SCR" ] || { echo "build zuvarir in $build first" >&2; exit 1; }
source tests/harness/private_env.sh --arch "$arch" --monitors right
log=$ZUVARIR_WINE_ENV/fps.log

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# "SHARE FPS" medians of RUNS starts; each start is ended by a key, timed into $exits.
measure() {
  local run cost shares=() frames=()
  exits=()
  for ((run = 0; run < runs; run++)); do
    WINEDEBUG=+fps zv_stderr=$log start_full_screen || exit 1
    sleep 2
    cost=$(frame_cost "$saver" "$log" 6)
    frames+=("${cost%% fps*}")
    shares+=("$(sed 's/.*fps, \([0-9.]*\) %.*/\1/' <<<"$cost")")
    exits+=("$(key_to_exit "$saver")")
  done
  echo "$(printf '%s\n' "${shares[@]}" | median) $(printf '%s\n' "${frames[@]}" | median)"
}

reg_set_dword "$ZUVARIR_PROGRAM_KEY" EveryMonitor 0
read -r large large_fps <<<"$(measure)"
echo "1024x768 alone: $large % of a core, $large_fps fps"
xrandr --output DUMMY1 --primary
xrandr --listmonitors >/dev/null
read -r small small_fps <<<"$(measure)"
echo "800x600 alone: $small % of a core, $small_fps fps"
xrandr --output DUMMY0 --primary
xrandr --listmonitors >/dev/null
reg_delete_value "$ZUVARIR_PROGRAM_KEY" EveryMonitor
measure >"$ZUVARIR_WINE_ENV/both"
read -r both both_fps <"$ZUVARIR_WINE_ENV/both"
echo "both views: $both % of a core, $both_fps fps in all"
awk -v b="$both" -v l="$large" -v s="$small" 'BEGIN { printf "both / (each alone): %.2f\n", b / (l + s) }'
echo "key to exit with two views: ${exits[*]} ms (median $(printf '%s\n' "${exits[@]}" | median))"
