#!/usr/bin/env bash
# Writes a fresh seed corpus and runs the fuzz target on it for a bounded time.
# Usage: run_fuzz.sh SEED-WRITER FUZZ-TARGET CORPUS-FOLDER [libFuzzer options...]
set -euo pipefail
seeds=$1 fuzz=$2 corpus=$3
shift 3
rm -rf "$corpus"
mkdir -p "$corpus"
"$seeds" "$corpus"
exec "$fuzz" "$corpus" "$@"
