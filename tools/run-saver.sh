#!/usr/bin/env bash
# Installs what is missing, builds the saver and runs it full-screen under Wine:
# the 32-bit saver where this machine executes 32-bit programs, the 64-bit one
# where it does not. With a usable X display it runs there until a key or the
# mouse ends it. Without one it runs on a private Xvfb for a few seconds and
# writes a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
arch=$(tests/harness/arch-runs.sh)
build=${ZUVARIR_BUILD_DIR:-build}/$arch
tools/configure-windows.sh "$arch" "$build" >/dev/null
cmake --build "$build" --target zuvarir -j"$(nproc)"
scr=$(realpath "$build/zuvarir.scr")
echo "Running the $arch saver: $scr"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "On $DISPLAY; press a key or move the mouse to end it."
  ZUVARIR_ARCH=$arch exec tests/harness/wine-run.sh "$scr" /s
fi

shot="$build/screenshot.png"
export ZUVARIR_SCR=$scr
source tests/harness/private_env.sh --arch "$arch" --size "${ZUVARIR_SCREEN:-1024x768}"
echo "No display here: running it on a private Xvfb ($DISPLAY) for ${ZUVARIR_SECONDS:-6} seconds."
start_full_screen || exit 1
sleep "${ZUVARIR_SECONDS:-6}"
screenshot "$shot"
# A key press ends the saver the way a user would.
xdotool key space
wait_exit "$saver" 5
[ "$zv_exit" != timeout ] || { echo "The $arch saver did not end on a key." >&2; exit 1; }
echo "The $arch saver ended with exit code $zv_exit."
echo "Screenshot: $(realpath "$shot")"
exit "$zv_exit"
