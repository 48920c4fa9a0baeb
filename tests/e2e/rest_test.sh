#!/usr/bin/env bash
# Resting while nobody can see. Told as the system tells it that the display went
# off or the computer went to sleep, the real saver draws nothing and takes next
# to no processor time, comes back at once when told otherwise, and a key still
# ends it. The preview rests while its pane is hidden or minimised. That the
# effect goes on where it rested is the clock's rule (clock_test.cpp): the
# screen cannot tell a jump apart.
source "$(dirname "$0")/../harness/env.sh"
source "$(dirname "$0")/saver_common.sh"
work=$(mktemp -d)
trap 'zv_cleanup; rm -rf "$work"' EXIT

# Percent of one core that PID used over SECONDS, user and system time of all its threads.
cpu_percent() {
  local before after
  before=$(awk '{ print $14 + $15 }' "/proc/$1/stat")
  sleep "$2"
  after=$(awk '{ print $14 + $15 }' "/proc/$1/stat")
  awk -v t=$((after - before)) -v s="$2" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", 100 * t / hz / s }'
}
same_pixels() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }

reg_delete_key "$ZUVARIR_PROGRAM_KEY"

# rest OFF ON SECONDS: rests the saver with the notice OFF for SECONDS, wakes it
# with ON, then rests it again and ends it with a key.
rest() {
  local off=$1 on=$2 seconds=$3 pid cpu woken
  start_full_screen || return
  sleep 1.5
  pid=$(prefix_processes zuvarir.scr | tail -n1)
  probe power "$off" || fail "$off: not delivered"
  sleep 0.5
  screenshot "$work/rest-start.png"
  cpu=$(cpu_percent "$pid" "$seconds")
  screenshot "$work/rest-end.png"
  same_pixels "$work/rest-start.png" "$work/rest-end.png" && pass "$off: no frame drawn in $seconds s" ||
    fail "$off: the screen changed while resting"
  awk -v c="$cpu" 'BEGIN { exit !(c <= 1) }' && pass "$off: $cpu % of a core while resting" ||
    fail "$off: $cpu % of a core while resting"

  woken=$(probe power "$on" watch)
  [ "${woken%% *}" = changed ] && pass "$on: frames follow (the screen changed ${woken#* } ms after)" ||
    fail "$on: no frame followed ($woken)"

  probe power "$off"
  sleep 0.5
  xdotool key space
  expect_closed "$off, then a key,"
}

rest display-off display-on 15
rest suspend resume 15

# The preview: its frames never reach the screen under Wine (a child window of
# another process), so that it draws shows as the core it takes.
: >"$work/pane.log"
wine "$ZUVARIR_BUILD/tests/display/preview_pane.exe" "$(winepath -w "$ZUVARIR_SCR")" 320 240 >"$work/pane.log" 2>&1 &
pane=$!
zv_pids+=("$pane")
for _ in $(seq 300); do grep -q '^child\|^no child' "$work/pane.log" && break; sleep 0.1; done
preview=$(prefix_processes '/p ' | tail -n1)
if [ -z "$preview" ]; then
  fail "no preview ($(tr -d '\r' <"$work/pane.log" | tr '\n' ' '))"
else
  for hide in 3:hidden 5:minimised; do
    probe press "Preview Pane" "${hide%%:*}"
    sleep 1
    cpu=$(cpu_percent "$preview" 15)
    awk -v c="$cpu" 'BEGIN { exit !(c <= 1) }' && pass "a ${hide#*:} preview: $cpu % of a core" ||
      fail "a ${hide#*:} preview: $cpu % of a core"
    probe press "Preview Pane" 4
    sleep 0.5
    cpu=$(cpu_percent "$preview" 2)
    awk -v c="$cpu" 'BEGIN { exit !(c > 10) }' && pass "shown again, the preview draws ($cpu % of a core)" ||
      fail "shown again, the preview takes only $cpu % of a core"
  done
  probe press "Preview Pane" 2
  wait_exit "$pane" 15
fi
finish
