#!/usr/bin/env bash
# Installs what the build, the saver and the tests need on a Debian 12 machine.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

# Both Windows architectures: x64 with 64-bit Wine, which every x86_64 machine
# runs; x86 with 32-bit Wine, which only machines that execute 32-bit programs
# run (its packages install on the others all the same).
packages=(
  cmake make g++ clang
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 wine32:i386
  libasound2:amd64 libgl1:amd64 libglx-mesa0:amd64 libgl1-mesa-dri:amd64 libxrandr2:amd64
  libasound2:i386 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386 libxrandr2:i386
  libx11-dev libxfixes-dev
  xvfb xdotool x11-utils imagemagick
  xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  lame sox doctest-dev libclang-rt-14-dev
  nsis
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

