#!/usr/bin/env bash
# Benchmarks of the audio library under Wine (figures, not pass or fail), on a
# private Xvfb with Wine's ALSA output written to a file:
# - how long each call takes while the worker decodes (tests/bass/bass_bench.exe
#   stops, starts and restarts a playing 44100 Hz MP3 for 10 s; the device is
#   refilled after each, so the next call meets the worker decoding), and beside
#   them the worker's render step (a call that waits, waits for one at most), a
#   stream's restart at a loop, and waveOutReset by itself;
# - the worker thread's CPU time over 60 s initialised with no stream, then 60 s
#   playing, with the seconds of audio the output received meanwhile (Wine's
#   ALSA file output takes audio faster than real time, so the figure per
#   second of audio is the one to read);
# - the resident memory of tests/bass/bass_player.exe and of `zuvarir.scr /s`
#   playing a 3-minute and a 3-hour MP3;
# - the time from a key to the saver's exit while its music does what it may:
#   plays, loses its file, meets a damaged one, or its device hangs or its
#   worker dies (those two through the saver copies beside a faulty BASS.dll
#   in tests/bass/stuck_device and tests/bass/dying_device), beside the same
#   without music: what Wine and X take whatever the library does.
# The files repeat the frames of a one-second 440 Hz tone.
# Usage: tools/bench-audio.sh [x86|x64]   (default: as tools/run-saver.sh picks;
# build/<arch> built beforehand, by tools/test.sh for instance)
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-$(tests/harness/arch-runs.sh)}
build=$(realpath "${ZUVARIR_BUILD_DIR:-build}/$arch")
scr="$build/zuvarir.scr"
bench="$build/tests/bass/bass_bench.exe"
[ -f "$scr" ] && [ -f "$bench" ] || { echo "build zuvarir and bass_bench in $build first" >&2; exit 1; }
export ZUVARIR_SCR="$scr" ZUVARIR_BUILD="$build"
source tests/harness/private_env.sh --arch "$arch"
source tests/harness/audio_pieces.sh
work=$(mktemp -d)
trap 'set +e; zv_cleanup; rm -rf "$work"' EXIT
capture_audio "$work" "$work/capture.wav"
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

# Twice each, the files taking turns: the saver's own figure varies by several
# MB from run to run (OpenGL under llvmpipe); the player's is the library's.
echo "== resident memory playing: bass_player.exe after 10 s, the saver 20 s after its window shows"
reg_set_dword "$ZUVARIR_PROGRAM_KEY" Music 1
memory() { awk '/^VmRSS/ {rss = $2} /^VmHWM/ {hwm = $2} END {print "VmRSS " rss " kB, peak " hwm " kB"}' "/proc/$1/status"; }
for round in 1 2; do
  for file in three_minutes three_hours; do
    start_wine "$build/tests/bass/bass_player.exe" "$(winepath -w "$work/$file.mp3")" 12
    sleep 10
    echo "player, $file: $(memory "$zv_last_pid")"
    wait_exit "$zv_last_pid" 15
    reg_set_sz "$ZUVARIR_PROGRAM_KEY" MusicFileName "$(winepath -w "$work/$file.mp3")"
    start_full_screen || exit 1
    sleep 20
    echo "saver, $file: $(memory "$saver")"
    xdotool key space
    wait_exit "$saver" 15
  done
done
reg_delete_key "$ZUVARIR_PROGRAM_KEY"

echo "== key to exit of the saver, in ms from the key to the process gone (5 runs each)"
stuck_scr="$build/tests/bass/stuck_device/zuvarir.scr"
dying_scr="$build/tests/bass/dying_device/zuvarir.scr"
[ -f "$stuck_scr" ] && [ -f "$dying_scr" ] || { echo "build bass_stuck and bass_dying in $build first" >&2; exit 1; }
playing=$(winepath -w "$work/playing.mp3")
head -c $((64 << 20)) /dev/zero | cat "$work/tone.mp3" - >"$work/damaged.mp3"
# Per run: SETUP before the saver starts, BEFORE_KEY once its window shows; both get the run's number.
no_setup() { :; }
fresh_copy() { cp "$work/three_minutes.mp3" "$work/playing.mp3"; }
after_1s() { sleep 1; }
after_3s() { sleep 3; }
# A second in, the file is truncated; the key comes once the library has met the failing reads.
truncate_playing() { sleep 1; : >"$work/playing.mp3"; sleep 2; }
# The key lands at another point of the loop each time: in the tone, or in the search through the zeros.
staggered() { sleep "$(awk -v i="$1" 'BEGIN { print 1 + 0.4 * i }')"; }
key_to_exit_runs() {
  local name=$1 scr=$2 setup=$3 before_key=$4 runs=5 i times=()
  for ((i = 0; i < runs; i++)); do
    "$setup" "$i"
    ZUVARIR_SCR=$scr start_full_screen || exit 1
    "$before_key" "$i"
    times+=("$(key_to_exit "$saver")")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk -v name="$name" -v runs="${times[*]}" \
    '{ t[NR] = $1 } END { printf "%-46s median %5d  longest %5d   (%s)\n", name, t[int((NR + 1) / 2)], t[NR], runs }'
}
reg_set_dword "$ZUVARIR_PROGRAM_KEY" Music 0
key_to_exit_runs "no music" "$scr" no_setup after_1s
reg_set_dword "$ZUVARIR_PROGRAM_KEY" Music 1
reg_set_sz "$ZUVARIR_PROGRAM_KEY" MusicFileName "$minutes"
key_to_exit_runs "music playing" "$scr" no_setup after_1s
reg_set_sz "$ZUVARIR_PROGRAM_KEY" MusicFileName "$playing"
key_to_exit_runs "a file truncated while it plays" "$scr" fresh_copy truncate_playing
reg_set_sz "$ZUVARIR_PROGRAM_KEY" MusicFileName "$(winepath -w "$work/damaged.mp3")"
key_to_exit_runs "a damaged file: 1 s of music, 64 MiB of zeros" "$scr" no_setup staggered
reg_set_sz "$ZUVARIR_PROGRAM_KEY" MusicFileName "$minutes"
key_to_exit_runs "a stuck device (its driver hangs in a reset)" "$stuck_scr" no_setup after_3s
key_to_exit_runs "a worker that died" "$dying_scr" no_setup after_1s
reg_delete_key "$ZUVARIR_PROGRAM_KEY"
