#!/usr/bin/env bash
# What the saver costs while nobody can see it, under Wine and llvmpipe on a
# private Xvfb at 1024x768 (figures, not pass or fail):
# - percent of one core the full-screen saver takes while drawing, and while
#   resting after the display-off notification (delivered as the system does,
#   by tests/harness/win_probe.exe); the preview's while its pane is hidden;
# - wake-ups per second of the resting saver's threads (context switches);
# - changes of the screen's middle seen while drawing and while resting, a
#   lower bound of the frames drawn;
# - milliseconds from display-on to the first changed screen, five times.
# Usage: tools/bench-rest.sh [x86|x64]   (default: as tools/run-saver.sh picks;
# build/<arch> built beforehand, by tools/test.sh for instance)
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-$(tests/harness/arch-runs.sh)}
build=$(realpath "${ZUVARIR_BUILD_DIR:-build}/$arch")
scr="$build/zuvarir.scr"
probe="$build/tests/harness/win_probe.exe"
pane="$build/tests/display/preview_pane.exe"
[ -f "$scr" ] && [ -f "$probe" ] && [ -f "$pane" ] || { echo "build zuvarir and the test programs in $build first" >&2; exit 1; }
harness=$(pwd)/tests/harness
seconds=10

env_dir=$(mktemp -d)
"$harness/start-env.sh" --arch "$arch" "$env_dir" 1024x768
trap '"$harness/stop-env.sh" "$env_dir"; rm -rf "$env_dir"' EXIT
# shellcheck disable=SC1091
source "$env_dir/env"

# The newest Wine process of this prefix whose command line holds TEXT.
process() {
  local pid found=""
  for pid in $(grep -l -s -z -x -F "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ | cut -d/ -f3 | sort -n); do
    tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -q -F -- "$1" && found=$pid
  done
  echo "$found"
}
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ { n += $2 } END { print n }'; }
# "CPU% WAKEUPS/S" of PID over $seconds.
load() {
  local t0 s0 t1 s1
  t0=$(ticks "$1"); s0=$(switches "$1")
  sleep "$seconds"
  t1=$(ticks "$1"); s1=$(switches "$1")
  awk -v t=$((t1 - t0)) -v s=$((s1 - s0)) -v d="$seconds" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "%.2f %% of a core, %.1f wake-ups/s", 100 * t / hz / d, s / d }'
}

wine "$scr" /s >/dev/null 2>&1 &
saver=$!
sleep 5
pid=$(process zuvarir.scr)
echo "$arch drawing: $(load "$pid"); screen changes in 5 s: $(wine "$probe" changes 5000 | tr -d '\r')"
wine "$probe" power display-off
sleep 1
echo "$arch resting, display off: $(load "$pid"); screen changes in 5 s: $(wine "$probe" changes 5000 | tr -d '\r')"
for run in 1 2 3 4 5; do
  wine "$probe" power display-off
  sleep 1
  echo "$arch display-on to a changed screen, run $run: $(wine "$probe" power display-on watch | tr -d '\r')"
done
xdotool key space
wait "$saver" || true

wine "$pane" "$(winepath -w "$scr")" 320 240 >/dev/null 2>&1 &
host=$!
sleep 5
pid=$(process ' /p ')
echo "$arch preview drawing: $(load "$pid")"
wine "$probe" press "Preview Pane" 3
sleep 1
echo "$arch preview hidden: $(load "$pid")"
wine "$probe" press "Preview Pane" 2
wait "$host" || true
