#!/usr/bin/env bash
# A set-up failure on a display without OpenGL, as on a machine without a working
# driver: the render window exists when the pixel format cannot be found, and the
# "Zuvarir Error" box must stay up, on top, until the user answers it, in the
# full-screen saver and in the preview.
source "$(dirname "$0")/../harness/private_env.sh" --no-glx
source "$(dirname "$0")/saver_common.sh"
work=$(mktemp -d)
trap 'zv_cleanup; rm -rf "$work"' EXIT
message="Can't find a suitable pixelformat."

# Checks the box of the saver that failed as WHAT: up after 10 s without input,
# with the failing step's message, and the top window on screen; then Enter.
check_box_and_answer() {
  local what=$1 box geometry brightness
  box=$(wait_window "Zuvarir Error" 30) || { fail "$what: no \"Zuvarir Error\" box"; return 1; }
  sleep 10
  if [ -z "$(xdotool search --onlyvisible --name '^Zuvarir Error$' 2>/dev/null)" ]; then
    fail "$what: the box closed itself within 10 s"
    return 1
  fi
  probe window "Zuvarir Error" 1000 | grep -q -F " $message" && pass "$what: the box says \"$message\"" ||
    fail "$what: box: $(probe window "Zuvarir Error" 1000 | tr '\n' ' ')"
  # The box is light; a window above it (the black full-screen one) would not be.
  screenshot "$work/screen.png"
  geometry=$(xdotool getwindowgeometry --shell "$box" | awk -F= '{ v[$1] = $2 } END { print v["WIDTH"] "x" v["HEIGHT"] "+" v["X"] "+" v["Y"] }')
  brightness=$(convert "$work/screen.png" -crop "$geometry" +repage -colorspace gray -format '%[fx:mean]' info:)
  greater "$brightness" 0.5 && pass "$what: the box is the top window after 10 s ($brightness)" ||
    fail "$what: the box is covered on screen ($brightness at $geometry)"
  # Without a window manager the keyboard goes where it is given.
  xdotool windowfocus --sync "$box" key Return
}

start_saver /s
saver=$zv_last_pid
if check_box_and_answer "/s"; then
  wait_exit "$saver" 10
  [ "$zv_exit" = 255 ] && pass "/s: Enter ends the saver with 255" || fail "/s: exit code $zv_exit after Enter"
fi

start_preview "$work/pane.log"
if check_box_and_answer "/p"; then
  for _ in $(seq 100); do [ -z "$(prefix_processes zuvarir.scr)" ] && break; sleep 0.1; done
  probe press "Preview Pane" 2
  wait_exit "$pane" 15
  saver_exit=$(tr -d '\r' <"$work/pane.log" | awk '/^exit/ { print $2 }')
  [ "$saver_exit" = 255 ] && pass "/p: Enter ends the preview with 255" ||
    fail "/p: saver exit '${saver_exit}' ($(tr -d '\r' <"$work/pane.log" | tr '\n' ' '))"
fi

leftover=$(prefix_processes zuvarir.scr)
[ -z "$leftover" ] && pass "no saver process is left behind" || fail "saver processes left: $leftover"
finish
