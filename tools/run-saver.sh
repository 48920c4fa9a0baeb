#!/usr/bin/env bash
# Installs what is missing, builds the saver and runs it full-screen under Wine:
# the 32-bit saver where this machine executes 32-bit programs, the 64-bit one
# where it does not. With a usable X display it runs there until a key or the
# mouse ends it. Without one it runs on a private Xvfb for a few seconds and
# writes a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
arch=$(tools/windows-arch.sh)
build=${ZUVARIR_BUILD_DIR:-build}/$arch
cmake -S . -B "$build" --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target zuvarir -j"$(nproc)"
scr=$(realpath "$build/zuvarir.scr")
echo "Running the $arch saver: $scr"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "On $DISPLAY; press a key or move the mouse to end it."
  if [ "$arch" = x64 ]; then
    # Debian's `wine` would pick the 32-bit loader; a 64-bit program needs a 64-bit prefix.
    WINEPREFIX=${WINEPREFIX:-$HOME/.wine64} WINEARCH=win64 exec /usr/lib/wine/wine64 "$scr" /s
  fi
  exec wine "$scr" /s
fi

envdir=$(realpath -m "$build/run-env")
shot="$build/screenshot.png"
tools_dir=$(pwd)/tests/harness
"$tools_dir/start-env.sh" --arch "$arch" "$envdir" "${ZUVARIR_SCREEN:-1024x768}"
trap '"$tools_dir/stop-env.sh" "$envdir"' EXIT
# shellcheck disable=SC1091
source "$envdir/env"
echo "No display here: running it on a private Xvfb ($DISPLAY) for ${ZUVARIR_SECONDS:-6} seconds."
wine "$scr" /s >/dev/null 2>&1 &
saver=$!
sleep "${ZUVARIR_SECONDS:-6}"
import -window root "$shot"
# A key press ends the saver the way a user would.
xdotool key space
for _ in $(seq 50); do kill -0 "$saver" 2>/dev/null || break; sleep 0.1; done
kill "$saver" 2>/dev/null || true
wait "$saver" 2>/dev/null && code=0 || code=$?
echo "The $arch saver ended with exit code $code."
echo "Screenshot: $(realpath "$shot")"
exit "$code"
