#!/usr/bin/env bash
# Installs what is missing, builds the saver and its audio library for both
# architectures and makes the packages of a release: in build/x64/packages the
# installer Zuvarir-<version>-setup.exe and Zuvarir-<version>-win64.zip, in
# build/x86/packages Zuvarir-<version>-win32.zip.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
echo "Packages:"
for arch in x64 x86; do
  build=${ZUVARIR_BUILD_DIR:-build}/$arch
  tools/configure-windows.sh "$arch" "$build" >/dev/null
  cmake --build "$build" --target packages -j"$(nproc)" >/dev/null
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  for package in "$build/packages/Zuvarir-$version"-*; do
    echo "  $(realpath "$package")"
  done
done
