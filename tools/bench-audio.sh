#!/usr/bin/env bash
# Benchmarks of the audio library under Wine (figures, not pass or fail), on a
# private Xvfb with Wine's ALSA output written to a file:
# - how long each call takes while the worker decodes (tests/bass/bass_bench.exe
#   stops, starts and restarts a playing 44100 Hz MP3 for 10 s; the device is
#   refilled after each, so the next call meets the worker decoding);
# - the worker thread's CPU time over 60 s initialised with no stream, then 60 s
#   playing, with the seconds of audio the output received meanwhile (Wine's
#   ALSA file output takes audio faster than real time, so the figure per
#   second of audio is the one to read);
# - the resident memory of `zuvarir.scr /s` playing a 3-minute and a 3-hour MP3.
# The files repeat the frames of a one-second 440 Hz tone.
# Usage: tools/bench-audio.sh [BUILD_DIR]   (default build; built beforehand)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
scr="$build/zuvarir.scr"
bench="$build/tests/bass/bass_bench.exe"
[ -f "$scr" ] && [ -f "$bench" ] || { echo "build zuvarir and bass_bench in $build first" >&2; exit 1; }
harness=$(pwd)/tests/harness

env_dir=$(mktemp -d)
work=$(mktemp -d)
trap '"$harness/stop-env.sh" "$env_dir"; rm -rf "$env_dir" "$work"' EXIT
"$harness/start-env.sh" "$env_dir"
export ZUVARIR_WINE_ENV="$env_dir" ZUVARIR_SCR="$scr" ZUVARIR_BUILD="$build"
# shellcheck disable=SC1091
source "$harness/env.sh"
trap 'zv_cleanup; "$harness/stop-env.sh" "$env_dir"; rm -rf "$env_dir" "$work"' EXIT

# Wine's ALSA driver runs inside each Wine process and reads $HOME/.asoundrc there.
mkdir -p "$work/home"
cat >"$work/home/.asoundrc" <<ALSA
pcm.!default {
  type file
  slave.pcm "null"
  file "$work/capture.wav"
  format "wav"
}
ALSA
export HOME="$work/home" WINEPATH="Z:$build"
capture_seconds() { sox --ignore-length "$work/capture.wav" -n stat 2>&1 | awk '/^Length/ {print $3}'; }

sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 1 sine 440 vol 0.5
lame --quiet -b 128 "$work/tone.wav" "$work/tone.mp3"
minutes=$(winepath -w "$work/three_minutes.mp3")
hours=$(winepath -w "$work/three_hours.mp3")
wine "$bench" long "$(winepath -w "$work/tone.mp3")" "$minutes" 180
wine "$bench" long "$(winepath -w "$work/tone.mp3")" "$hours" 10800
echo "== files: 3 minutes $(stat -c %s "$work/three_minutes.mp3") bytes, 3 hours $(stat -c %s "$work/three_hours.mp3") bytes"

echo "== call times while the worker decodes"
wine "$bench" calls "$minutes" 10 | tr -d '\r'

echo "== worker CPU time"
rm -f "$work/capture.wav"
wine "$bench" cpu "$minutes" 60 | tr -d '\r'
echo "audio the output received while playing: $(capture_seconds) s"

echo "== resident memory of the saver playing"
reg_set_dword "$ZUVARIR_PROGRAM_KEY" Music 1
for file in three_minutes three_hours; do
  reg_set_sz "$ZUVARIR_PROGRAM_KEY" MusicFileName "$(winepath -w "$work/$file.mp3")"
  start_saver /s
  sleep 20
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$zv_last_pid/status" 2>/dev/null || echo "?")
  hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$zv_last_pid/status" 2>/dev/null || echo "?")
  echo "$file: VmRSS $rss kB (peak $hwm kB) after 20 s"
  kill "$zv_last_pid" 2>/dev/null || true
  wait "$zv_last_pid" 2>/dev/null || true
done
reg_delete_key "$ZUVARIR_PROGRAM_KEY"
