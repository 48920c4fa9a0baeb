#!/usr/bin/env bash
# The full-screen saver on a desktop of two monitors (Xorg's dummy driver, the
# second at 75 Hz). With "EveryMonitor" 0: the particles on the primary, the other
# monitor black, and the close rules there too; the preview is unchanged. Then,
# right of the primary only, with the value absent: each monitor its own view at
# its own rate, and one that goes away ends its view while the primary draws on.
# With `three`, the middle of three monitors goes away while power notices
# stream in: the views' end never lets the notices reach a half-removed view.
# Usage: monitors_test.sh right|left|three, the side of the primary on which the
# 800x600 monitor lies, or two of them in a row right of it.
side=$1
source "$(dirname "$0")/../harness/private_env.sh" --monitors "$side"
source "$(dirname "$0")/saver_common.sh"
work=$(mktemp -d)
trap 'zv_cleanup; rm -rf "$work"' EXIT

if [ "$side" = three ]; then
  [ "$(probe monitors | grep -c '^monitor')" = 3 ] || fail "Wine reports $(probe monitors | tr '\n' ' ')"
  # Wine reports what a window procedure's access violation would be as
  # "err:seh:... ignoring exception" and goes on.
  if WINEDEBUG=err+seh zv_stderr=$work/seh.log start_full_screen; then
    sleep 2
    probe storm 4000 &
    storm=$!
    sleep 1
    xrandr --output DUMMY1 --off
    wait "$storm" || fail "the power notices did not all reach the saver"
    sleep 1
    covers=$(probe windows dozozed_udova_cover)
    [ "$covers" = "window 1824 0 2624 600" ] && pass "the middle monitor's view went, the third's stayed" ||
      fail "covers after the middle monitor went: '$covers'"
    faults=$(grep -c 'ignoring exception' "$work/seh.log")
    [ "$faults" = 0 ] && pass "no fault while the view ended among power notices" || fail "$faults faults"
    xdotool key space
    expect_closed "a key after the middle monitor went"
  fi
  finish
fi

# The second monitor in X's coordinates (for xdotool and screenshots) and in the
# desktop's (for the windows): "WxH+X+Y" and "LEFT TOP RIGHT BOTTOM".
second_x=$(xrandr --listmonitors | awk '$2 !~ /\*/ && $3 ~ /x/ { split($3, a, /[\/x+]/); print a[1] "x" a[3] "+" a[5] "+" a[6] }')
second_win=$(probe monitors | awk '$1 == "monitor" && $6 != "primary" { print $2, $3, $4, $5 }')
primary_x=$(xrandr --listmonitors | awk '$2 ~ /\*/ { split($3, a, /[\/x+]/); print a[1] "x" a[3] "+" a[5] "+" a[6] }')
IFS='x+' read -r _ _ px py <<<"$primary_x"
IFS='x+' read -r _ _ sx sy <<<"$second_x"
echo "primary $primary_x, second $second_x (desktop: $second_win)"
[ "$(probe monitors | grep -c '^monitor')" = 2 ] || { fail "Wine reports $(probe monitors | tr '\n' ' ')"; finish; }
xsetroot -solid '#3366cc'
reg_set_dword "$ZUVARIR_SYSTEM_KEY" "Mouse Threshold" 40
reg_set_dword "$ZUVARIR_PROGRAM_KEY" EveryMonitor 0

if start_full_screen $((px + 500)) $((py + 400)); then
  sleep 4
  screenshot "$work/screen.png"
  lit=$(lit_fraction "$work/screen.png" "$primary_x")
  brightest=$(convert "$work/screen.png" -crop "$second_x" +repage -format '%[fx:maxima]' info:)
  greater "$lit" 0.002 && pass "particles on the primary ($lit lit)" || fail "primary: only $lit lit"
  [ "$brightest" = 0 ] && pass "the second monitor is entirely black" || fail "second monitor: brightest $brightest"
  covers=$(probe windows dozozed_udova_cover)
  [ "$covers" = "window $second_win" ] && [ "$(probe windows dozozed_udova | wc -l)" = 1 ] &&
    pass "one render window and one cover, exactly over the second monitor" || fail "covers: '$covers'"
  xdotool key space
  expect_closed "a key"
fi

# Started with the pointer on the second monitor: the pointer is hidden there, a
# button ends the saver, and so does travel past the threshold, but not within it.
if start_full_screen $((sx + 400)) $((sy + 300)); then
  sleep 1
  [ "$("$cursor_image")" = hidden ] && pass "the pointer is hidden over the second monitor" ||
    fail "pointer over the second monitor: $("$cursor_image")"
  xdotool click 1
  expect_closed "a click on the second monitor"
fi
if start_full_screen $((sx + 400)) $((sy + 300)); then
  sleep 1
  xdotool mousemove $((sx + 440)) $((sy + 300))
  sleep 0.5
  expect_running "travel of the threshold on the second monitor"
  xdotool mousemove $((sx + 441)) $((sy + 300))
  expect_closed "travel past the threshold on the second monitor"
fi
# The preview: one child in its pane, nothing on the other monitor.
start_preview "$work/pane.log"
child=$(tr -d '\r' <"$work/pane.log" | awk '/^child/ { print $2, $3, $4, $5 }')
[ "$child" = "0 0 320 240" ] && [ -z "$(probe windows dozozed_udova_cover)" ] &&
  [ -z "$(probe windows dozozed_udova)" ] && pass "the preview is one child of its pane and nothing else" ||
  fail "preview: child '$child', covers '$(probe windows dozozed_udova_cover)'"
probe press "Preview Pane" 2
wait_exit "$pane" 15
[ "$(tr -d '\r' <"$work/pane.log" | awk '/^exit/ { print $2 }')" = 0 ] && pass "the preview ends with 0" ||
  fail "preview: $(tr -d '\r' <"$work/pane.log" | tr '\n' ' ')"

if [ "$side" = right ]; then
  reg_delete_value "$ZUVARIR_PROGRAM_KEY" EveryMonitor
  # Two views whose threads do not end: one deadline for both (the window test's case).
  WINEPATH="Z:$ZUVARIR_BUILD" wine "$ZUVARIR_BUILD/tests/display/display_window_tests.exe" -tc='a key ends every view*' \
    >"$work/held.log" 2>&1 && pass "$(grep -o '2 views held up.*' "$work/held.log")" ||
    fail "two views held up: $(tr -d '\r' <"$work/held.log" | grep -v '^$' | tail -n 5)"
  # The fps channel counts the whole process: both views' frames. Where this
  # machine's cores cannot draw the presets that came up at both rates, another
  # start (other presets) is tried, up to three.
  for try in 1 2 3; do
    WINEDEBUG=+fps zv_stderr=$work/fps.log start_full_screen $((sx + 400)) $((sy + 300)) || break
    sleep 4
    fps=$(median_fps "$work/fps.log")
    greater "$fps" 100 || [ "$try" = 3 ] && break
    echo "start $try: $fps frames a second in all, too few to judge the pacing; again"
    xdotool key space
    wait_exit "$saver" 5
  done
  if kill -0 "$saver" 2>/dev/null; then
    screenshot "$work/both.png"
    for area in "$primary_x" "$second_x"; do
      lit=$(lit_fraction "$work/both.png" "$area")
      greater "$lit" 0.002 && pass "particles on $area ($lit lit)" || fail "$area: only $lit lit"
    done
    greater "$fps" 100 && ! greater "$fps" 150 && pass "60 + 75 frames a second in all: $fps" ||
      fail "$fps frames a second in all, at 60 and 75 Hz"
    before=$(fps_count "$work/fps.log")
    probe power battery
    sleep 6
    fps=$(median_fps "$work/fps.log" "$before")
    greater "$fps" 55 && ! greater "$fps" 80 && pass "on battery, 30 + 37.5 frames a second in all: $fps" ||
      fail "on battery, $fps frames a second in all"
    xdotool mousemove $((sx + 441)) $((sy + 300))
    expect_closed "travel past the threshold over the second monitor's view"
  fi
  # Each view's frames counted by their clears, per thread and second, named by
  # the thread's viewport; then the second monitor goes away.
  if WINEDEBUG=+timestamp,+opengl,+tid zv_stderr=$work/gl.log start_full_screen; then
    sleep 3
    pid=$(prefix_processes zuvarir.scr | tail -n 1)
    threads=$(ls "/proc/$pid/task" | wc -l)
    xrandr --output DUMMY1 --off
    sleep 1.5
    [ "$(ls "/proc/$pid/task" | wc -l)" -lt "$threads" ] && [ -z "$(probe windows dozozed_udova_cover)" ] &&
      pass "the second monitor gone, its view and its thread end" ||
      fail "after the second monitor went: $(ls "/proc/$pid/task" | wc -l) of $threads threads, windows '$(probe windows dozozed_udova_cover)'"
    screenshot "$work/after.png"
    lit=$(lit_fraction "$work/after.png" "$primary_x")
    greater "$lit" 0.002 && pass "the primary draws on ($lit lit)" || fail "the primary after: only $lit lit"
    xdotool key space
    expect_closed "a key after the second monitor went"
    rates=$(awk -F: '$5 ~ /^glViewport/ { split($5, f, /[ ,]+/); size[$2] = f[7] "x" f[9] }
      $5 ~ /^glFrustum/ { split($5, f, /[ ,]+/); top[$2] = f[9] }
      $5 ~ /^glClear mask/ { t = int($1); if (!first) first = t; if (t > first) n[$2 " " t]++ }
      END { for (k in n) { split(k, a, " "); if (n[k] > most[a[1]]) most[a[1]] = n[k] }
            for (tid in most) print size[tid], most[tid], top[tid] }' "$work/gl.log" | sort)
    # At most the monitor's rate with the early aim (60 / 0.95, 75 / 0.95); each
    # 4:3 view's field heightened to a half height of 3 at the near plane.
    awk '$1 == "1024x768" && $2 <= 64 { p++ } $1 == "800x600" && $2 <= 80 { s++ } $3 != "3.000000" { bad++ }
      END { exit !(p == 1 && s == 1 && !bad) }' <<<"$rates" &&
      pass "each view at most its own monitor's rate, with its shape: $(tr '\n' ' ' <<<"$rates")" ||
      fail "frames per second and frustum tops of the views: $(tr '\n' ' ' <<<"$rates")"
  fi
fi
leftover=$(prefix_processes zuvarir.scr)
[ -z "$leftover" ] && pass "no saver process is left behind" || fail "saver processes left: $leftover"
finish
