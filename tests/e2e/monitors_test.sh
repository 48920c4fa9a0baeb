#!/usr/bin/env bash
# The full-screen saver on a desktop of two monitors (Xorg's dummy driver): the
# particles on the primary, the other monitor black, and the close rules there
# too; the preview is unchanged. Usage: monitors_test.sh right|left, the side of
# the primary on which the 800x600 monitor lies.
side=$1
source "$(dirname "$0")/../harness/private_env.sh" --monitors "$side"
source "$(dirname "$0")/saver_common.sh"
work=$(mktemp -d)
trap 'zv_cleanup; rm -rf "$work"' EXIT

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
leftover=$(prefix_processes zuvarir.scr)
[ -z "$leftover" ] && pass "no saver process is left behind" || fail "saver processes left: $leftover"

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
finish
