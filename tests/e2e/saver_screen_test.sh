#!/usr/bin/env bash
# The full-screen saver as the user sees it: a window of the screen's size, the
# particles and the ground glow on its frames, the hidden pointer, input that
# must not end it, and a picture that keeps its proportions.
source "$(dirname "$0")/../harness/env.sh"
source "$(dirname "$0")/saver_common.sh"
shots=$(mktemp -d)
trap 'zv_cleanup; rm -rf "$shots"' EXIT

reg_delete_key "$ZUVARIR_PROGRAM_KEY"
reg_set_dword "$ZUVARIR_PROGRAM_KEY" Floor 0
reg_set_dword "$ZUVARIR_SYSTEM_KEY" "Mouse Threshold" 40
screen=$(xdpyinfo | awk '/dimensions:/ { print $2 }')

# Without the floor: particles on black, soft round sprites in many shades, at
# the display's rate: Wine reports 0 Hz, the hardware's default, which is 60.
if WINEDEBUG=+fps zv_stderr=$shots/fps.log start_full_screen; then
  geometry=$(xdotool getwindowgeometry "$saver_window" | awk '/Geometry:/ { print $2 }')
  position=$(xdotool getwindowgeometry "$saver_window" | awk '/Position:/ { print $2 }')
  [ "$geometry" = "$screen" ] && [ "$position" = "0,0" ] && pass "the window covers the screen ($screen)" ||
    fail "window at $position, $geometry on a $screen screen"
  [ "$(probe windows dozozed_udova | wc -l)" = 1 ] && [ -z "$(probe windows dozozed_udova_cover)" ] &&
    pass "one monitor: the render window is the saver's only window" ||
    fail "windows of the saver: $(probe windows dozozed_udova) / $(probe windows dozozed_udova_cover)"
  sleep 4
  screenshot "$shots/particles.png"
  sleep 1
  screenshot "$shots/particles-later.png"
  still=$(static_fraction "$shots/particles.png" "$shots/particles-later.png")
  lit=$(lit_fraction "$shots/particles.png")
  colours=$(colour_count "$shots/particles.png")
  echo "particles only: lit fraction $lit, still $still, $colours colours"
  greater "$lit" 0.002 && pass "particles show ($lit of the screen lit)" || fail "hardly anything drawn: $lit"
  greater "$colours" 100 && pass "soft sprites: $colours shades" || fail "only $colours colours on screen"
  fps=$(median_fps "$shots/fps.log")
  greater "$fps" 50 && ! greater "$fps" 66 && pass "paced to the display: $fps frames per second" ||
    fail "$fps frames per second at 60 Hz"
  [ "$("$cursor_image")" = hidden ] && pass "the pointer is hidden over the saver" ||
    fail "pointer over the saver: $("$cursor_image")"

  # Input that is no close trigger, well after the first half second.
  xdotool click 4 click 5
  sleep 0.5; expect_running "the wheel"
  xdotool key F10
  sleep 0.5; expect_running "F10"
  # Keys pressed while Alt is held; releasing Alt itself is a key release, which ends it.
  xdotool keydown alt key x key F4
  sleep 0.5; expect_running "Alt+X and Alt+F4"
  xdotool keyup alt
  sleep 0.3
  if ! kill -0 "$saver" 2>/dev/null; then
    expect_closed "releasing Alt"
    start_full_screen && sleep 1
  fi
  xdotool mousemove 540 400
  sleep 0.5
  xdotool mousemove 500 360
  sleep 0.5
  xdotool mousemove 460 440
  sleep 0.5; expect_running "mouse travel of exactly the threshold (40) on either axis"
  xdotool key space
  expect_closed "a key after all that"
fi

# With "Floor" 1 the ground glow lights a large part of the screen. The preset is
# drawn at random and one of them (a camera tilted up from low down) keeps the
# ground out of view, so the saver gets up to three starts to show it.
reg_set_dword "$ZUVARIR_PROGRAM_KEY" Floor 1
floor_seen=no
for attempt in 1 2 3; do
  start_full_screen || break
  sleep 4
  screenshot "$shots/floor.png"
  sleep 1
  screenshot "$shots/floor-later.png"
  floor_still=$(static_fraction "$shots/floor.png" "$shots/floor-later.png")
  echo "with the floor (start $attempt): lit fraction $(lit_fraction "$shots/floor.png"), still $floor_still"
  # The ground is a large glow that stands still while the particles move.
  if greater "$floor_still" 0.1 && greater "$floor_still" "$(awk -v s="${still:-0}" 'BEGIN { print s * 3 }')"; then
    floor_seen=yes
  fi
  xdotool key space
  expect_closed "a key with the floor on"
  [ "$floor_seen" = yes ] && break
done
[ "$floor_seen" = yes ] && pass "the ground glows ($floor_still of the screen lit and still)" ||
  fail "no ground glow in three starts: $floor_still still"

# The field's frustum heightened to the screen's 4:3 (taller than the field's
# 71:48), as the GL trace shows it; the field's own with "KeepProportions" 0.
for case in "absent 3.000000" "0 2.704225"; do
  read -r keep top <<<"$case"
  [ "$keep" = 0 ] && reg_set_dword "$ZUVARIR_PROGRAM_KEY" KeepProportions 0
  WINEDEBUG=+opengl zv_stderr=$shots/gl.log start_full_screen && sleep 1 && xdotool key space && expect_closed "a key"
  frustum=$(grep -m1 -o 'glFrustum left -4.000000, right 4.000000, bottom [^,]*, top [^,]*' "$shots/gl.log")
  [ "${frustum##* }" = "$top" ] && pass "KeepProportions $keep: $frustum" || fail "KeepProportions $keep: '$frustum'"
done

# The render tool's picture at the field's own shape is the middle of a wider
# and of a taller one, but for rounding (no pixel off by 1 %); stretched, the
# wider one's middle is another picture.
render() {
  WINEPATH="Z:$ZUVARIR_BUILD" wine "$ZUVARIR_BUILD/tools/render_preset.exe" 1 6 "$1" "$2" "$shots/$3.ppm" floor \
    ${4:-} >/dev/null 2>&1 && convert "$shots/$3.ppm" -gravity center -crop 710x480+0+0 +repage "$shots/$3.ppm"
}
differing() { compare -metric AE -fuzz 1% "$shots/field.ppm" "$shots/$1.ppm" null: 2>&1; }
if render 710 480 field && render 1136 480 wide && render 710 1000 tall && render 1136 480 stretched stretch; then
  [ "$(differing wide)" = 0 ] && [ "$(differing tall)" = 0 ] &&
    pass "the field's picture is the middle of a wider and of a taller one" ||
    fail "pixels of the field's picture that differ: wide $(differing wide), tall $(differing tall)"
  greater "$(differing stretched)" 10000 && pass "stretched, $(differing stretched) pixels differ" ||
    fail "stretched, only $(differing stretched) pixels differ"
else
  fail "render_preset drew no picture"
fi

reg_delete_key "$ZUVARIR_PROGRAM_KEY"
reg_delete_key "$ZUVARIR_SYSTEM_KEY"
finish
