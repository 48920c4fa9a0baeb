#!/usr/bin/env bash
# Usage: arch-runs.sh x86|x64
# Exits 0 when this machine runs Windows programs of that architecture under
# Wine. Exits 77 with the reason on stdout when it cannot: some x86_64 kernels
# refuse every 32-bit x86 program ("Exec format error"), and 32-bit Wine is one.
# Finds out by executing that architecture's Wine loader. Any other failure is
# an error (exit 1): the machine is not set up.
set -u
case "${1:-}" in
  x86) loader=/usr/lib/wine/wine ;;
  x64) loader=/usr/lib/wine/wine64 ;;
  *) echo "usage: arch-runs.sh x86|x64" >&2; exit 1 ;;
esac
[ -e "$loader" ] || { echo "$loader is missing: tools/setup.sh installs it" >&2; exit 1; }
"$loader" --version >/dev/null 2>&1
code=$?
[ "$code" = 0 ] && exit 0
# The shell's code for a file the kernel would not execute.
if [ "$1" = x86 ] && [ "$code" = 126 ]; then
  echo "this machine does not execute 32-bit programs"
  exit 77
fi
echo "$loader --version failed with exit code $code" >&2
exit 1
