#!/usr/bin/env bash
# Configures the Windows build of ARCH (x86 or x64) in DIR: its MinGW-w64
# toolchain file, built with debug information unless CMAKE ARGS say otherwise.
# The tools and the top build's ExternalProject both configure through this, so
# that a build folder one of them made is the one the other expects.
# Usage: tools/configure-windows.sh x86|x64 DIR [CMAKE ARGS...]
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$src" -B "$2" --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-$1.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "${@:3}"
