#!/usr/bin/env bash
# Usage: arch-runs.sh [x86|x64]
# Which Windows architectures this machine runs under Wine, found by executing
# that architecture's Wine loader: some x86_64 kernels refuse every 32-bit x86
# program ("Exec format error"), and 32-bit Wine is one.
# With an architecture: exits 0 when it runs here, and 77 with the reason on
# stdout when it cannot. Without one: prints the architecture whose saver the
# tools run, x86 (the saver as it has always shipped) where it runs and x64
# where it does not, saying why on stderr.
# Any other failure is an error (exit 1): the machine is not set up.
set -u
if [ $# = 0 ]; then
  if reason=$("$0" x86); then echo x86
  elif [ $? = 77 ]; then echo "x86: $reason; the 64-bit saver runs instead" >&2; echo x64
  else exit 1; fi
  exit 0
fi
ZUVARIR_WINE_ENV='' ZUVARIR_ARCH=$1 "$(dirname "$0")/wine-run.sh" --version >/dev/null 2>&1
case $? in
  0) exit 0 ;;
  # The shell's codes for a file the kernel would not execute, and for none.
  126) [ "$1" = x86 ] && { echo "this machine does not execute 32-bit programs"; exit 77; } ;;
  127) echo "the $1 Wine loader is missing: tools/setup.sh installs it" >&2; exit 1 ;;
esac
echo "the $1 Wine loader failed to start" >&2
exit 1
