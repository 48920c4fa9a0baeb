#!/usr/bin/env bash
# The saver's music end to end: zuvarir.scr /s with "Music" on plays the chosen
# MP3 in a loop through BASS.dll until the saver ends, at the file's own rate
# (44.1 kHz, 48 kHz, 22.05 kHz mono); a file truncated while it
# plays does not hold the saver up; a missing file, or the text that stands for
# an unreadable registry value, gives a silent saver that runs and ends
# normally. What Wine's ALSA driver outputs is written to a file.
source "$(dirname "$0")/../harness/env.sh"
source "$(dirname "$0")/../harness/audio_pieces.sh"

dir=$(mktemp -d "${TMPDIR:-/tmp}/zuvarir-music.XXXXXX")
trap 'zv_cleanup; rm -rf "$dir"' EXIT
capture="$dir/capture.wav"
capture_audio "$dir" "$capture"
export HOME="$dir/home"

# One-second 440 Hz tones: the saver runs for longer, so the loop must repeat them.
sox -n -r 44100 -c 2 -b 16 "$dir/tone.wav" synth 1 sine 440 vol 0.5 &&
  lame --quiet -b 128 "$dir/tone.wav" "$dir/tone.mp3" &&
  lame --quiet -b 320 "$dir/tone.wav" "$dir/loud.mp3" &&
  sox -n -r 48000 -c 2 -b 16 "$dir/tone48.wav" synth 1 sine 440 vol 0.5 &&
  lame --quiet -b 128 "$dir/tone48.wav" "$dir/tone48.mp3" &&
  sox -n -r 22050 -c 1 -b 16 "$dir/tone22.wav" synth 1 sine 440 vol 0.5 &&
  lame --quiet -m m -b 64 "$dir/tone22.wav" "$dir/tone22.mp3" || { fail "the tones could not be made"; finish; }

# Runs the saver for SECONDS, ends it with a key, and checks that it exited with 0.
run_saver() {
  local what=$1 seconds=$2
  rm -f "$capture"
  if start_full_screen; then
    sleep "$seconds"
    xdotool key space
  fi
  wait_exit "$saver" 15
  [ "$zv_exit" = 0 ] && pass "$what: the saver ends with 0" || fail "$what: the saver gave $zv_exit"
}

capture_seconds() { sox --ignore-length "$capture" -n stat 2>&1 | awk '/^Length/ {print $3}'; }
capture_rms() { sox --ignore-length "$capture" -n stat 2>&1 | awk '/^RMS +amplitude/ {print $3}'; }

reg_delete_key "$ZUVARIR_PROGRAM_KEY"
reg_set_dword "$ZUVARIR_PROGRAM_KEY" Music 1
reg_set_sz "$ZUVARIR_PROGRAM_KEY" MusicFileName "$(winepath -w "$dir/tone.mp3")"
run_saver "music on" 4
size=$(stat -c %s "$capture" 2>/dev/null || echo 0)
sleep 1
[ "$size" -gt 0 ] && [ "$(stat -c %s "$capture")" = "$size" ] && pass "the music stops when the saver ends" ||
  fail "no capture, or it still grows after the saver ended ($size bytes)"
seconds=$(capture_seconds)
awk -v s="$seconds" 'BEGIN {exit !(s > 2.0)}' && pass "the music plays past the file's length ($seconds s)" ||
  fail "the music lasted only ${seconds:-0} s"
# sox reads the capture's rate (whatever Wine's mixer uses) from its header.
tone_heard() {
  local peak
  peak=$(sox --ignore-length "$capture" -n trim 1.2 1 remix 1 stat -freq 2>&1 |
    awk 'NF == 2 && $1 + 0 > 0 { if ($2 > m) { m = $2; f = $1 } } END { print f }')
  awk -v f="$peak" 'BEGIN {exit !(f > 430 && f < 450)}' && pass "$1: the looped music is the 440 Hz tone ($peak Hz)" ||
    fail "$1: dominant frequency ${peak:-none}"
}
tone_heard "44.1 kHz"

# Each file plays at its own rate and channel count: one played at another would be off pitch.
for file in tone48:"48 kHz" tone22:"22.05 kHz mono"; do
  reg_set_sz "$ZUVARIR_PROGRAM_KEY" MusicFileName "$(winepath -w "$dir/${file%%:*}.mp3")"
  run_saver "${file#*:}" 3
  tone_heard "${file#*:}"
done

# A 25 MB file truncated to nothing while it plays (a pulled stick, a lost
# share): the music ends there, and a key still ends the saver at once. A
# library that stepped over the file's old length a byte at a time would hold
# the saver for many seconds (about 15 here).
for i in $(seq 600); do cat "$dir/loud.mp3"; done >"$dir/long.mp3"
reg_set_sz "$ZUVARIR_PROGRAM_KEY" MusicFileName "$(winepath -w "$dir/long.mp3")"
if start_full_screen; then
  sleep 1
  : >"$dir/long.mp3"
  # Past the audio the library had read ahead, into the reads that fail.
  sleep 2
  xdotool key space
  wait_exit "$saver" 5
  [ "$zv_exit" = 0 ] && pass "a file truncated while it plays: a key ends the saver with 0 within 5 s" ||
    fail "a file truncated while it plays: the saver gave $zv_exit"
else
  wait_exit "$saver" 1
fi

# Silent runs: the saver opens the output at BASS_Init, so the capture file
# exists (else the capture is not working and proves nothing), and whatever it
# received holds no sound.
silent() {
  local rms
  if [ ! -e "$capture" ]; then
    fail "$1: nothing captured: the capture does not work"
  elif [ ! -s "$capture" ]; then
    pass "$1: no sound"
  else
    rms=$(capture_rms)
    awk -v r="$rms" 'BEGIN {exit !(r < 0.001)}' && pass "$1: silence" || fail "$1: sound played (RMS $rms)"
  fi
}
reg_set_sz "$ZUVARIR_PROGRAM_KEY" MusicFileName "$(winepath -w "$dir/missing.mp3")"
run_saver "a missing file" 2
silent "a missing file"

reg_delete_value "$ZUVARIR_PROGRAM_KEY" MusicFileName
run_saver "no \"MusicFileName\" value" 2
silent "no \"MusicFileName\" value"

reg_delete_key "$ZUVARIR_PROGRAM_KEY"
finish
