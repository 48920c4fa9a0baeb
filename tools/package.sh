#!/usr/bin/env bash
# Installs what is missing, builds the saver and its audio library and makes the
# two packages of a release in build/x86/packages: Zuvarir-<version>-setup.exe, the
# installer, and Zuvarir-<version>-win32.zip, the two files with a short text.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
build=${ZUVARIR_BUILD_DIR:-build}/x86
cmake -S . -B "$build" --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target packages -j"$(nproc)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
echo "Packages of Zuvarir $version:"
for package in "$build/packages/Zuvarir-$version-setup.exe" "$build/packages/Zuvarir-$version-win32.zip"; do
  echo "  $(realpath "$package")"
done
