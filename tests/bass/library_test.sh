#!/usr/bin/env bash
# The audio library under Wine: makes the test tones with sox and lame, gives
# Wine's ALSA driver an output that writes to a file, runs the library's tests,
# then plays a looping MP3 through BASS.dll and checks what reached the output.
# The library's tests also write a three-hour MP3, which the player then plays.
# Usage: library_test.sh LIBRARY-TESTS PLAYER
source "$(dirname "$0")/../harness/env.sh"
tests_exe=$1 player_exe=$2

dir=$(mktemp -d "${TMPDIR:-/tmp}/zuvarir-bass.XXXXXX")
trap 'zv_cleanup; rm -rf "$dir"' EXIT
cd "$dir" || exit 1

tone() { sox -n -r "$1" -c "$2" -b 16 "$3" synth 1 sine "$4" vol 0.5; }
tone 44100 2 t44.wav 440 && lame --quiet -b 128 t44.wav cbr_44100_stereo.mp3 && lame --quiet -V 2 t44.wav vbr_44100_stereo.mp3
tone 48000 2 t48.wav 440 && lame --quiet -b 160 t48.wav cbr_48000_stereo.mp3
tone 32000 2 t32.wav 440 && lame --quiet -b 96 t32.wav cbr_32000_stereo.mp3
tone 22050 1 tone_22050_mono.wav 440 && lame --quiet -m m -b 64 tone_22050_mono.wav mono_22050.mp3
tone 8000 1 t8.wav 440 && lame --quiet -m m -b 16 t8.wav mono_8000.mp3
tone 44100 2 s441.wav 441 && lame --quiet -b 192 s441.wav sine441_cbr.mp3 && lame --quiet -V 0 s441.wav sine441_vbr.mp3
[ -s sine441_vbr.mp3 ] && [ -s mono_8000.mp3 ] || { fail "the test tones could not be made"; finish; }

source "$zv_harness_dir/audio_pieces.sh"
capture_audio "$dir" "$dir/capture.wav"
mkdir -p nodevice
cat >nodevice/.asoundrc <<'ALSA'
pcm.!default { type hw card 97 }
ctl.!default { type hw card 97 }
ALSA
audio_dir=$(winepath -w "$dir")
# The programs load the library from the build folder's top, beside the saver.
WINEPATH=$(winepath -w "$ZUVARIR_BUILD")
export WINEPATH

HOME="$dir/home" ZUVARIR_AUDIO_DIR="$audio_dir" wine "$tests_exe" && pass "library tests" || fail "library tests"
rm -f capture.wav
HOME="$dir/nodevice" ZUVARIR_AUDIO_DIR="$audio_dir" ZUVARIR_AUDIO_NO_DEVICE=1 wine "$tests_exe" \
  -tc='*without a usable output device*' && pass "no device: BASS_Init fails" || fail "no device case"

# Three seconds of a one-second file through the real output.
rm -f capture.wav
HOME="$dir/home" wine "$player_exe" "$(winepath -w "$dir/cbr_44100_stereo.mp3")" 3 >player.log 2>&1
code=$?
[ "$code" = 0 ] && pass "the player played" || fail "the player exited with $code"
size=$(stat -c %s capture.wav 2>/dev/null || echo 0)
sleep 1
[ "$(stat -c %s capture.wav 2>/dev/null || echo 0)" = "$size" ] && pass "the output ends with the player" ||
  fail "the capture still grows after the player ended"
seconds=$(sox --ignore-length capture.wav -n stat 2>&1 | awk '/^Length/ {print $3}')
awk -v s="$seconds" 'BEGIN {exit !(s > 2.0)}' && pass "the capture runs past the file's length ($seconds s)" ||
  fail "the capture lasts only ${seconds:-0} s"
dominant() {
  sox --ignore-length capture.wav -n trim "$1" "$2" remix 1 stat -freq 2>&1 |
    awk 'NF == 2 && $1 + 0 > 0 { if ($2 > m) { m = $2; f = $1 } } END { print f }'
}
peak=$(dominant 1.2 1)
awk -v f="$peak" 'BEGIN {exit !(f > 430 && f < 450)}' && pass "the looped output holds the 440 Hz tone ($peak Hz)" ||
  fail "dominant frequency ${peak:-none}"

rm -f capture.wav
HOME="$dir/home" wine "$player_exe" "$(winepath -w "$dir/long_8000.mp3")" 2 >player.log 2>&1
code=$?
peak=$(dominant 0.5 1)
[ "$code" = 0 ] && awk -v f="$peak" 'BEGIN {exit !(f > 430 && f < 450)}' &&
  pass "the three-hour file plays ($peak Hz)" || fail "the three-hour file: exit $code, dominant frequency ${peak:-none}"
finish
