# Sourced by the saver's end-to-end scripts after tests/harness/env.sh (whose
# start_full_screen starts the saver): helpers to judge it and its screen.

cursor_image="$ZUVARIR_BUILD/tests/display/cursor_image"

# Passes when the saver ended with exit code 0 within SECONDS (default 1).
expect_closed() {
  local what=$1 seconds=${2:-1}
  wait_exit "$saver" "$seconds"
  [ "$zv_exit" = 0 ] && pass "$what ends the saver with 0" || fail "$what: exit code $zv_exit"
}

# Passes when the saver is still running.
expect_running() {
  kill -0 "$saver" 2>/dev/null && pass "$1 leaves the saver running" || fail "$1 ended the saver"
}

# Fraction of the PNG's pixels (or of the region WxH+X+Y) brighter than 2 %.
lit_fraction() {
  local crop=()
  [ -n "${2:-}" ] && crop=(-crop "$2" +repage)
  convert "$1" "${crop[@]}" -colorspace gray -threshold 2% -format '%[fx:mean]' info:
}
# Number of distinct colours in the PNG.
colour_count() { convert "$1" -format '%k' info:; }
# True when "A > B" for decimal numbers.
greater() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }
# Fraction of the screen lit in both PNGs and unchanged between them (within
# 1 %): what stands still, like the ground, while the particles move on.
static_fraction() {
  local dir
  dir=$(dirname "$1")
  convert "$1" -colorspace gray -threshold 2% "$dir/lit-mask.png"
  convert "$1" "$2" -compose difference -composite -colorspace gray -threshold 1% -negate "$dir/still-mask.png"
  convert "$dir/lit-mask.png" "$dir/still-mask.png" -compose multiply -composite -format '%[fx:mean]' info:
}
