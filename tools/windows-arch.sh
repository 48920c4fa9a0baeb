#!/usr/bin/env bash
# Prints the Windows architecture whose saver the tools run on this machine: x86,
# the saver as it has always shipped, where the machine executes 32-bit programs,
# and x64 where it does not (saying so on stderr).
set -u
reason=$("$(dirname "$0")/../tests/harness/arch-runs.sh" x86)
case $? in
  0) echo x86 ;;
  77) echo "x86: $reason; the 64-bit saver runs instead" >&2; echo x64 ;;
  *) exit 1 ;;
esac
