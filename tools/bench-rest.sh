#!/usr/bin/env bash
# What the saver costs while nobody can see it, under Wine and llvmpipe on a
# private Xvfb at 1024x768 (figures, not pass or fail):
# - percent of one core the full-screen saver takes while drawing, and while
#   resting after the display-off notification (delivered as the system does,
#   by tests/harness/win_probe.exe); the preview's while its pane is hidden;
# - wake-ups per second of the resting saver's threads (context switches);
# - of ten screenshots half a second apart, those that differ from the one
#   before, while drawing and while resting: frames drawn show there;
# - milliseconds from display-on to the first changed screen, five times, and
#   from a key to the resting saver's exit;
# - with music, the share of a core while resting, and how much of the music
#   a rest skips (or repeats): the music is a tone sweeping 1000 Hz a second,
#   so the tone at the end of what was heard before the rest and at the start
#   of what was heard after it tells both places in the file. Each opening of
#   Wine's ALSA output is captured to a file of its own.
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
# shellcheck source=../tests/harness/audio_pieces.sh
source "$harness/audio_pieces.sh"

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

# Of ten screenshots half a second apart, those that differ from the one before.
screen_changes() {
  local changes=0 i
  import -window root "$env_dir/shot-0.png"
  for i in $(seq 10); do
    sleep 0.5
    import -window root "$env_dir/shot-$i.png"
    [ "$(compare -metric AE "$env_dir/shot-$((i - 1)).png" "$env_dir/shot-$i.png" null: 2>&1)" = 0 ] ||
      changes=$((changes + 1))
  done
  echo "$changes of 10"
}

wine "$scr" /s >/dev/null 2>&1 &
saver=$!
sleep 5
pid=$(process zuvarir.scr)
echo "$arch drawing: $(load "$pid"); screenshots changed: $(screen_changes)"
wine "$probe" power display-off
sleep 1
echo "$arch resting, display off: $(load "$pid"); screenshots changed: $(screen_changes)"
for run in 1 2 3 4 5; do
  wine "$probe" power display-off
  sleep 1
  echo "$arch display-on to a changed screen, run $run: $(wine "$probe" power display-on watch | tr -d '\r')"
done
wine "$probe" power display-off
sleep 1
start=$(date +%s%N)
xdotool key space
while kill -0 "$saver" 2>/dev/null; do sleep 0.005; done
echo "$arch key to exit while resting: $((($(date +%s%N) - start) / 1000000)) ms"
wait "$saver" || true

# The position in the sweep, in seconds, at the end (or with `first` the start) of a capture.
sweep_position() {
  sox --ignore-length "$1" -t dat - remix 1 2>/dev/null | awk -v first="$2" '
    /^; Sample Rate/ { rate = $4 } /^;/ { next }
    { n++; if (n > 1 && (($2 < 0) != (previous < 0))) crossings[int(n * 10 / rate)]++; previous = $2 }
    END {
      w = first ? 1 : int(n * 10 / rate) - 2          # a whole window next to the edge
      centre = (w + 0.5) / 10                         # its middle, in the capture
      at = (crossings[w] * 5 - 200) / 1000             # and in the sweep
      printf "%.3f\n", first ? at - centre : at + (n / rate - centre)
    }'
}
music=$(mktemp -d)
capture_audio "$music"
sox -n -r 44100 -c 2 -b 16 "$music/sweep.wav" synth 8 sine 200:8200 vol 0.5
wine reg add 'HKCU\Software\ZidaveVizur' /v Music /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\ZidaveVizur' /v MusicFileName /t REG_SZ /d "$(winepath -w "$music/sweep.wav")" /f \
  >/dev/null 2>&1
HOME="$music/home" wine "$scr" /s >/dev/null 2>&1 &
saver=$!
sleep 5
pid=$(process zuvarir.scr)
for run in 1 2 3; do
  wine "$probe" power display-off
  sleep 2
  echo "$arch resting with music, run $run: $(load "$pid")"
  wine "$probe" power display-on
  sleep 2
done
xdotool key space
wait "$saver" || true
pieces=("$music"/piece.*.wav)
for ((i = ${#pieces[@]} > 4 ? ${#pieces[@]} - 4 : 0; i < ${#pieces[@]} - 1; i++)); do
  before=$(sweep_position "${pieces[i]}" "")
  after=$(sweep_position "${pieces[i + 1]}" first)
  awk -v arch="$arch" -v b="$before" -v a="$after" 'BEGIN { d = (a - b) * 1000
    printf "%s music after a rest: %s %.0f ms (stopped at %.2f s, went on at %.2f s)\n", arch,
      (d >= 0 ? "skipped" : "repeated"), (d >= 0 ? d : -d), b, a }'
done
rm -rf "$music"

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
