#!/usr/bin/env bash
# Starts a private test environment for Windows programs: an X server, a fresh
# WINEPREFIX and a persistent wineserver for it. Writes DIR/env, a file to source.
# Usage: start-env.sh [--arch x86|x64] [--size WxH | --no-glx | --monitors right|left|three] DIR
#   --arch x86          a 32-bit prefix and 32-bit Wine (the default)
#   --arch x64          a 64-bit prefix and 64-bit Wine
#   (default)           Xvfb with one screen of 1024x768
#   --size WxH          Xvfb with one screen of W x H pixels
#   --no-glx            Xvfb without OpenGL, as on a machine without a working driver
#   --monitors right    Xorg's dummy driver with two monitors: the primary of
#                       1024x768, and one of 800x600 right of it
#   --monitors left     the same with the 800x600 monitor left of the primary
#   --monitors three    the primary and two of 800x600 in a row right of it
# Where this machine cannot run the architecture's programs it starts nothing,
# writes the reason to DIR/unavailable and exits 77, the tests' code for skipped.
set -euo pipefail
# A step that fails says which, with what Wine said while booting the prefix.
trap 'echo "start-env.sh: line $LINENO failed: $BASH_COMMAND" >&2; tail -n 20 "${dir:-/nonexistent}/wineboot.log" >&2 2>/dev/null' ERR
arch=x86
server=xvfb
size=1024x768
xvfb_extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) arch=$2; shift 2 ;;
    --size) size=$2; shift 2 ;;
    --no-glx) xvfb_extra=(-extension GLX); shift ;;
    --monitors) server=xorg; side=$2; shift 2 ;;
    *) break ;;
  esac
done
dir=$(realpath -m "$1")

[ -f "$dir/env" ] && "$(dirname "$0")/stop-env.sh" "$dir" || true
rm -rf "$dir"
mkdir -p "$dir/prefix"

harness=$(cd "$(dirname "$0")" && pwd)
if ! reason=$("$harness/arch-runs.sh" "$arch"); then
  [ -n "$reason" ] || exit 1
  echo "$reason" >"$dir/unavailable"
  echo "$arch: $reason" >&2
  exit 77
fi
# `wine`, `wineboot` and `winepath` in the environment start the loader of its
# architecture (wine-run.sh).
mkdir -p "$dir/bin"
for tool in wine wineboot winepath; do ln -s "$harness/wine-run.sh" "$dir/bin/$tool"; done

# Xorg's dummy driver with two or three RandR outputs on one X screen: Wine
# reports each output as a monitor, at its position relative to the primary one.
write_xorg_config() {
  local width=1824
  [ "$side" = three ] && width=2624
  cat >"$dir/xorg.conf" <<XORG
Section "ServerFlags"
  Option "AutoAddDevices" "false"
  Option "AutoEnableDevices" "false"
  Option "AutoAddGPU" "false"
  Option "BlankTime" "0"
  Option "StandbyTime" "0"
  Option "SuspendTime" "0"
  Option "OffTime" "0"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 16384
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "1024x768" 64.11 1024 1080 1184 1344 768 769 772 795 -HSync +Vsync
  Modeline "800x600" 48.91 800 840 920 1040 600 601 604 627 -HSync +Vsync
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual $width 768
  EndSubSection
EndSection
XORG
}

# The server picks a free display itself and writes its number to the descriptor.
exec 3>"$dir/display"
if [ "$server" = xorg ]; then
  write_xorg_config
  Xorg -displayfd 3 -config "$dir/xorg.conf" -logfile "$dir/xorg.log" \
    -noreset -nolisten tcp -novtswitch -sharevts -keeptty >"$dir/xserver.log" 2>&1 &
else
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset "${xvfb_extra[@]}" >"$dir/xserver.log" 2>&1 &
fi
echo $! >"$dir/xserver.pid"
exec 3>&-
for _ in $(seq 100); do
  [ -s "$dir/display" ] && break
  sleep 0.1
done
[ -s "$dir/display" ] || { echo "the X server did not start" >&2; cat "$dir/xserver.log" >&2; exit 1; }

cat >"$dir/env" <<ENV
export ZUVARIR_WINE_ENV="$dir"
export DISPLAY=":$(head -n1 "$dir/display")"
export WINEPREFIX="$dir/prefix"
export ZUVARIR_ARCH=$arch
export PATH="$dir/bin:\$PATH"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
ENV
# shellcheck disable=SC1091
source "$dir/env"

if [ "$server" = xorg ]; then
  xrandr --addmode DUMMY1 800x600
  if [ "$side" = left ]; then
    xrandr --output DUMMY1 --mode 800x600 --pos 0x0 --output DUMMY0 --mode 1024x768 --pos 800x0 --primary
  elif [ "$side" = three ]; then
    xrandr --addmode DUMMY2 800x600
    xrandr --output DUMMY0 --mode 1024x768 --pos 0x0 --primary --output DUMMY1 --mode 800x600 --pos 1024x0 \
      --output DUMMY2 --mode 800x600 --pos 1824x0
  else
    xrandr --output DUMMY0 --mode 1024x768 --pos 0x0 --primary --output DUMMY1 --mode 800x600 --pos 1024x0
  fi
  # Wine takes the layout from the server's report to its clients, which a
  # query of the outputs brings about; without one it sees a single monitor.
  xrandr --listmonitors >/dev/null
fi

# The prefix is made first, with a server of its own that ends with it: made
# under the persistent server, it kept a second services.exe, and the two
# locked each other out of starting services (COM's RpcSs then took 10 s).
wineboot -i >"$dir/wineboot.log" 2>&1
wineserver -w
wineserver -f -p >"$dir/wineserver.log" 2>&1 &
echo $! >"$dir/wineserver.pid"
# One program run after boot, so the first test does not pay for a cold start.
wine cmd /c exit 0 >/dev/null 2>&1 || true
