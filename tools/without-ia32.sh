#!/usr/bin/env bash
# Runs COMMAND as on a machine whose kernel refuses every 32-bit x86 program
# ("Exec format error"), to try on a machine that runs them what the other kind
# does (tools/test.sh, tools/run-saver.sh). COMMAND runs in a user and mount
# namespace of its own with a binfmt_misc of its own (Linux 6.7 and later), whose
# one rule hands every i386 ELF file to an "interpreter" that is no program: the
# kernel then answers ENOEXEC, as it does without IA-32 emulation. Nothing outside
# the namespace changes.
# Usage: tools/without-ia32.sh COMMAND [ARGS...]
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: tools/without-ia32.sh COMMAND [ARGS...]" >&2; exit 2; }
not_a_program=$(mktemp)
trap 'rm -f "$not_a_program"' EXIT
chmod +x "$not_a_program"

# ELF, 32-bit, little-endian, version 1; e_machine 3 (i386) at offset 18; the
# bytes between (ABI, type) are masked out.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xff\xff\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xff'
unshare --user --map-root-user --mount bash -c '
  set -e
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  echo ":no-ia32:M::$1:$2:$3:" >/proc/sys/fs/binfmt_misc/register
  shift 3
  exec "$@"' without-ia32 "$magic" "$mask" "$not_a_program" "$@"
