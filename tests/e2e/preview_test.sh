#!/usr/bin/env bash
# The preview: the saver started with /p and the handle of a stand-in pane
# (tests/display/preview_pane.cpp). Its child fills the pane, keys and the mouse
# do nothing to it, and it ends with 0 when the pane is destroyed, also at once,
# while its view is still being set up.
source "$(dirname "$0")/../harness/env.sh"
source "$(dirname "$0")/saver_common.sh"
work=$(mktemp -d)
trap 'zv_cleanup; rm -rf "$work"' EXIT

pane_width=320
pane_height=240
start_preview "$work/pane.log" $pane_width $pane_height
child=$(tr -d '\r' <"$work/pane.log" | awk '/^child/ { print $2, $3, $4, $5 }')
[ "$child" = "0 0 $pane_width $pane_height" ] && pass "the child fills the pane at its client origin" ||
  fail "child: '${child}' ($(tr -d '\r' <"$work/pane.log" | tr '\n' ' '))"

# Under Wine 8 the frames and the pointer of a child window that belongs to
# another process never reach the X screen: the pane shows its own background and
# pointer. So the pixels and the arrow of the preview are checked by the display
# tests in one process (tests/display/scene_test.cpp, window_proc_test.cpp).
sleep 1
xdotool mousemove 200 150 sleep 0.3 mousemove 380 300 sleep 0.3 click 1 sleep 0.2 click 3 sleep 0.2 \
  key space sleep 0.2 key Escape
sleep 1.5
if probe window "Preview Pane" 2000 | grep -q 'dozozed_udova'; then
  pass "keys, buttons and mouse travel leave the preview running"
else
  fail "the preview ended on input"
fi

probe press "Preview Pane" 2
wait_exit "$pane" 15
saver_exit=$(tr -d '\r' <"$work/pane.log" | awk '/^exit/ { print $2 }')
[ "$saver_exit" = 0 ] && pass "destroying the pane ends the preview with 0" ||
  fail "after the pane went: saver exit '${saver_exit}' ($(tr -d '\r' <"$work/pane.log" | tr '\n' ' '))"

# The pane destroyed as soon as the child shows: a race with the view's set-up,
# so several rounds, each of which must end with 0 (a failure ends with 255).
codes=
for round in 1 2 3 4 5 6; do
  zv_stdout=$work/early.log start_wine "$ZUVARIR_BUILD/tests/display/preview_pane.exe" "$(winepath -w "$ZUVARIR_SCR")" \
    320 240 close-at-child
  wait_exit "$zv_last_pid" 20
  codes+=" $(tr -d '\r' <"$work/early.log" | awk '/^exit/ { print $2 }')"
done
[ "$codes" = " 0 0 0 0 0 0" ] && pass "a pane closed at once ends the preview with 0, six times out of six" ||
  fail "a pane closed at once: exit codes$codes"
finish
