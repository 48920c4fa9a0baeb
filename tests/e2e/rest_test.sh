#!/usr/bin/env bash
# Resting while nobody can see, and saving power. Told as the system tells it
# that the display went off or the computer went to sleep, the real saver draws
# nothing and takes next to no processor time, comes back at once when told
# otherwise, and a key still ends it; its music's output closes, and goes on
# where it stopped. On battery or with a power saver it draws every second
# refresh, at Energy Saver's high savings nothing, on black. The preview rests
# while its pane is hidden or minimised. That the effect goes on where it
# rested is the clock's rule (clock_test.cpp): the screen cannot tell a jump apart.
source "$(dirname "$0")/../harness/env.sh"
source "$(dirname "$0")/saver_common.sh"
source "$(dirname "$0")/../harness/audio_pieces.sh"
work=$(mktemp -d)
trap 'zv_cleanup; rm -rf "$work"' EXIT

at_most() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a <= b) }'; }

reg_delete_key "$ZUVARIR_PROGRAM_KEY"
# rest OFF ON: rests the saver with the notice OFF for 15 s, wakes it with ON,
# then rests it again and ends it with a key.
rest() {
  local off=$1 on=$2 pid cpu woken
  start_full_screen || return
  sleep 1.5
  pid=$(prefix_processes zuvarir.scr | tail -n1)
  probe power "$off" || fail "$off: not delivered"
  sleep 0.5
  screenshot "$work/rest-start.png"
  cpu=$(cpu_percent "$pid" 15)
  screenshot "$work/rest-end.png"
  [ "$(compare -metric AE "$work/rest-start.png" "$work/rest-end.png" null: 2>&1)" = 0 ] &&
    pass "$off: no frame drawn in 15 s" || fail "$off: the screen changed while resting"
  at_most "$cpu" 1 && pass "$off: $cpu % of a core while resting" || fail "$off: $cpu % of a core while resting"
  woken=$(probe power "$on" watch)
  [ "${woken%% *}" = changed ] && pass "$on: frames follow (the screen changed ${woken#* } ms after)" ||
    fail "$on: no frame followed ($woken)"
  probe power "$off"
  sleep 0.5
  xdotool key space
  expect_closed "$off, then a key,"
}
rest display-off display-on
rest suspend resume

# power EVENT LOW HIGH: sends EVENT (none where empty), then over 6 s takes the
# share of a core and the frames per second ($cpu, $fps), which must lie in
# (LOW, HIGH] where given.
power() {
  local before
  [ -z "$1" ] || probe power "$1" || fail "$1: not delivered"
  before=$(fps_count "$work/power.log")
  cpu=$(cpu_percent "$pid" 6)
  fps=$(median_fps "$work/power.log" "$before")
  [ -z "${2:-}" ] || { greater "$fps" "$2" && ! greater "$fps" "$3"; } &&
    pass "${1:-mains}${save:+, SavePower $save}: $fps frames a second, $cpu % of a core" ||
    fail "${1:-mains}${save:+, SavePower $save}: $fps frames a second"
}
for save in "" 0; do
  [ -z "$save" ] || reg_set_dword "$ZUVARIR_PROGRAM_KEY" SavePower "$save"
  WINEDEBUG=+fps zv_stderr=$work/power.log start_full_screen || continue
  sleep 1.5
  pid=$(prefix_processes zuvarir.scr | tail -n1)
  if [ -n "$save" ]; then
    power battery 50 66  # with SavePower 0
  else
    power "" 50 66 && power battery 25 35 && power energy-saver-high
    screenshot "$work/high.png"
    [ "$fps" = 0 ] && at_most "$cpu" 1 && [ "$(convert "$work/high.png" -format '%[fx:maxima]' info:)" = 0 ] &&
      pass "at high savings no frame, a black screen" || fail "at high savings: $(convert "$work/high.png" \
        -format '%[fx:maxima]' info:) the brightest on screen"
    power energy-saver-off 25 35 && power mains 50 66 && power battery-saver-on 25 35 && power energy-saver-high
  fi
  xdotool key space
  expect_closed "SavePower ${save:-absent}, a key"
done
reg_delete_key "$ZUVARIR_PROGRAM_KEY"

# With music. Each opening of Wine's ALSA output is captured to a file of its
# own; the music steps up 100 Hz every half second from 300 Hz for 32 s, so that
# its tone tells the place. Wine drops what its audio client still held at the
# stop (about 0.1 s, more on a loaded machine), so a few steps may be skipped.
capture_audio "$work"
steps=$(for f in $(seq 300 100 6600); do printf 'synth 0.5 sine %s : ' "$f"; done)
sox -n -r 44100 -c 2 -b 16 "$work/steps.wav" ${steps% : } && lame --quiet -b 128 "$work/steps.wav" "$work/steps.mp3" ||
  fail "no music"
reg_set_dword "$ZUVARIR_PROGRAM_KEY" Music 1
reg_set_sz "$ZUVARIR_PROGRAM_KEY" MusicFileName "$(winepath -w "$work/steps.mp3")"
# The step (0 for 300 Hz) of the first, or with `last` the last, loud tenth of
# a second of a capture that holds one step alone.
step_at() {
  sox --ignore-length "$1" -t dat - remix 1 2>/dev/null | awk -v last="$2" '
    /^; Sample Rate/ { rate = $4 } /^;/ { next }
    { w = int($1 * 10); if (w != win) { flush(); win = w; n = c = e = 0 }
      n++; e += $2 * $2; if (n > 1 && ($2 < 0) != (previous < 0)) c++; previous = $2 }
    function flush(   s, off) {
      s = int((c * 5 - 300) / 100 + 0.5); off = c * 5 - 300 - 100 * s
      if (n >= rate / 10 - 1 && e / n > 0.01 && off * off < 225 && (!found || last)) { found = 1; step = s }
    }
    END { flush(); print step }'
}
HOME="$work/home" start_full_screen && {
  sleep 2
  probe power display-off
  sleep 3
  probe power display-on
  sleep 2
  xdotool key space
  expect_closed "a key after a rest with music"
  pieces=("$work"/piece.*.wav)
  if [ "${#pieces[@]}" -lt 2 ]; then
    fail "the music's output stayed open while resting"
  else
    before=$(step_at "${pieces[-2]}" last)
    after=$(step_at "${pieces[-1]}" "")
    [ -n "$before" ] && [ -n "$after" ] && [ "$after" -ge "$before" ] && [ "$after" -le $((before + 4)) ] &&
      pass "the music goes on where it stopped (step $before, then $after)" ||
      fail "the music went on at step ${after:-none}, not at ${before:-none}"
  fi
}
reg_delete_key "$ZUVARIR_PROGRAM_KEY"

# The preview: its frames never reach the screen under Wine (a child window of
# another process), so that it draws shows as the core it takes: a few percent
# paced to the display, next to nothing at rest.
start_preview "$work/pane.log"
[ -n "$preview" ] || fail "no preview ($(tr -d '\r' <"$work/pane.log" | tr '\n' ' '))"
for hide in 3:hidden 5:minimised; do
  [ -n "$preview" ] || break
  probe press "Preview Pane" "${hide%%:*}"
  sleep 1
  cpu=$(cpu_percent "$preview" 15)
  at_most "$cpu" 1 && pass "a ${hide#*:} preview: $cpu % of a core" || fail "a ${hide#*:} preview: $cpu % of a core"
  probe press "Preview Pane" 4
  sleep 0.5
  cpu=$(cpu_percent "$preview" 2)
  at_most "$cpu" 2 && fail "shown again, the preview takes only $cpu % of a core" ||
    pass "shown again, the preview draws ($cpu % of a core)"
done
probe press "Preview Pane" 2
wait_exit "$pane" 15
finish
