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
export ZUVARIR_SCR="$build/zuvarir.scr" ZUVARIR_BUILD=$build
[ -f "$ZUVARIR_SCR" ] && [ -f "$build/tests/harness/win_probe.exe" ] && [ -f "$build/tests/display/preview_pane.exe" ] ||
  { echo "build zuvarir and the test programs in $build first" >&2; exit 1; }
seconds=10

source tests/harness/private_env.sh --arch "$arch"
source tests/harness/audio_pieces.sh

switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ { n += $2 } END { print n }'; }
# "CPU% WAKEUPS/S" of PID over $seconds.
load() {
  local s0 cpu
  s0=$(switches "$1")
  cpu=$(cpu_percent "$1" "$seconds")
  awk -v c="$cpu" -v s=$(($(switches "$1") - s0)) -v d="$seconds" \
    'BEGIN { printf "%s %% of a core, %.1f wake-ups/s", c, s / d }'
}

# Of ten screenshots half a second apart, those that differ from the one before.
screen_changes() {
  local changes=0 i shot=$ZUVARIR_WINE_ENV/shot
  screenshot "$shot-0.png"
  for i in $(seq 10); do
    sleep 0.5
    screenshot "$shot-$i.png"
    [ "$(compare -metric AE "$shot-$((i - 1)).png" "$shot-$i.png" null: 2>&1)" = 0 ] ||
      changes=$((changes + 1))
  done
  echo "$changes of 10"
}

start_full_screen || exit 1
sleep 4
echo "$arch drawing: $(load "$saver"); screenshots changed: $(screen_changes)"
probe power display-off
sleep 1
echo "$arch resting, display off: $(load "$saver"); screenshots changed: $(screen_changes)"
for run in 1 2 3 4 5; do
  probe power display-off
  sleep 1
  echo "$arch display-on to a changed screen, run $run: $(probe power display-on watch)"
done
probe power display-off
sleep 1
echo "$arch key to exit while resting: $(key_to_exit "$saver") ms"

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
reg_set_dword "$ZUVARIR_PROGRAM_KEY" Music 1
reg_set_sz "$ZUVARIR_PROGRAM_KEY" MusicFileName "$(winepath -w "$music/sweep.wav")"
HOME="$music/home" start_full_screen || exit 1
sleep 4
for run in 1 2 3; do
  probe power display-off
  sleep 2
  echo "$arch resting with music, run $run: $(load "$saver")"
  probe power display-on
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

start_preview "$ZUVARIR_WINE_ENV/pane.log"
sleep 4
echo "$arch preview drawing: $(load "$preview")"
probe press "Preview Pane" 3
sleep 1
echo "$arch preview hidden: $(load "$preview")"
probe press "Preview Pane" 2
wait "$pane" || true
