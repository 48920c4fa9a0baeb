#!/usr/bin/env bash
# Installs what is missing, builds everything (the Windows build with its native
# sub-build) and runs every test: native unit and fuzz tests, Windows unit tests
# under Wine, and end-to-end tests of the real saver on a private X display.
# Extra arguments go to ctest (for instance -R display).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
build=${ZUVARIR_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j2 "$@"
