#!/usr/bin/env bash
# Starts a private test environment for Windows programs: an Xvfb display, a fresh
# WINEPREFIX and a persistent wineserver for it. Writes DIR/env, a file to source.
# Usage: start-env.sh [--no-glx] DIR [WIDTHxHEIGHT]
#   --no-glx  an X server without OpenGL, as on a machine without a working driver
set -euo pipefail
xvfb_extra=()
if [ "${1:-}" = --no-glx ]; then
  xvfb_extra=(-extension GLX)
  shift
fi
dir=$(realpath -m "$1")
size=${2:-1024x768}

[ -f "$dir/env" ] && "$(dirname "$0")/stop-env.sh" "$dir" || true
rm -rf "$dir"
mkdir -p "$dir/prefix"

# Xvfb picks a free display itself and writes its number to the descriptor.
exec 3>"$dir/display"
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset "${xvfb_extra[@]}" >"$dir/xvfb.log" 2>&1 &
echo $! >"$dir/xvfb.pid"
exec 3>&-
for _ in $(seq 100); do
  [ -s "$dir/display" ] && break
  sleep 0.1
done
[ -s "$dir/display" ] || { echo "Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; exit 1; }

cat >"$dir/env" <<ENV
export ZUVARIR_WINE_ENV="$dir"
export DISPLAY=":$(head -n1 "$dir/display")"
export WINEPREFIX="$dir/prefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
ENV
# shellcheck disable=SC1091
source "$dir/env"

wineserver -f -p >"$dir/wineserver.log" 2>&1 &
echo $! >"$dir/wineserver.pid"
wineboot -i >"$dir/wineboot.log" 2>&1
# One program run after boot, so the first test does not pay for a cold start.
wine cmd /c exit 0 >/dev/null 2>&1 || true
