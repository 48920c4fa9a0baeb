#!/usr/bin/env bash
# Configures the Windows build of an architecture in DIR, for the tools and the
# top build's ExternalProject alike, so that each finds the build the other made.
# Usage: tools/configure-windows.sh x86|x64 DIR [CMAKE ARGS...]
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$src" -B "$2" --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-$1.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "${@:3}"
