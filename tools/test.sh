#!/usr/bin/env bash
# Installs what is missing, builds everything (the native build of the portable
# code and, below it, the Windows builds build/x86 and build/x64) and runs every
# test: native unit and fuzz tests, and for each Windows architecture its unit
# tests under Wine and end-to-end tests of the real saver on private X displays.
# x64 runs under 64-bit Wine everywhere; x86 under 32-bit Wine where this
# machine executes 32-bit programs, and is reported skipped where it does not.
# Extra arguments go to ctest (for instance -R x64.display).
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
build=${ZUVARIR_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
status=0
ctest --test-dir "$build" --output-on-failure -j2 --output-log "$build/ctest.log" "$@" || status=$?

# What ran of each kind, from ctest's lines ("12/64 Test #28: x64.effect.particle ....   Passed   0.05 sec").
echo
echo "Tests by kind:"
outcomes=$(sed -n -E 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ .]+)\.[^ ]* [ .*]*([A-Za-z][A-Za-z ]*[a-z]) .*/\1 \2/p' \
  "$build/ctest.log")
for kind in native x86 x64; do
  counts=$(awk -v kind="$kind" '$1 == kind { $1 = ""; n[tolower(substr($0, 2))]++ }
    END { for (o in n) printf "%s%d %s", (sep++ ? ", " : ""), n[o], o }' <<<"$outcomes")
  line="  $kind: ${counts:-none run}"
  if [ "$kind" = x86 ] && ! reason=$(tests/harness/arch-runs.sh x86); then
    line="$line ($reason)"
  fi
  echo "$line"
done
exit "$status"
