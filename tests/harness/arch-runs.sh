#!/usr/bin/env bash
# Usage: arch-runs.sh [x86|x64]
# Whether this machine runs Windows programs of that architecture under Wine,
# found by executing its Wine loader: some x86_64 kernels refuse every 32-bit
# program ("Exec format error"), 32-bit Wine included. Exits 0 when it does, 77
# with the reason on stdout when it cannot, 1 when the machine is not set up.
# Without an architecture: prints the one whose saver the tools run, x86 where
# it runs and x64 where not (saying why on stderr).
set -u
if [ $# = 0 ]; then
  if reason=$("$0" x86); then echo x86
  elif [ $? = 77 ]; then echo "x86: $reason; the 64-bit saver runs instead" >&2; echo x64
  else exit 1; fi
  exit 0
fi
ZUVARIR_WINE_ENV='' ZUVARIR_ARCH=$1 "$(dirname "$0")/wine-run.sh" --version >/dev/null 2>&1
# 126 and 127 are the shell's codes for a file the kernel would not execute and for none.
case $? in
  0) exit 0 ;;
  126) [ "$1" = x86 ] && { echo "this machine does not execute 32-bit programs"; exit 77; } ;;
  127) echo "the $1 Wine loader is missing: tools/setup.sh installs it" >&2; exit 1 ;;
esac
echo "the $1 Wine loader failed to start" >&2
exit 1
