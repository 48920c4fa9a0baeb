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
rm -f "$build/ctest-junit.xml"
ctest --test-dir "$build" --output-on-failure -j2 --output-junit ctest-junit.xml "$@" || status=$?

# What ran of each kind, from ctest's JUnit file: a test's status is run, fail,
# disabled or notrun, and one not run says why (SKIP_RETURN_CODE=77: skipped).
echo
echo "Tests by kind:"
outcomes=$(awk -F'"' '/^\t<testcase / { kind = $2; sub(/\..*/, "", kind)
    s = $8 == "run" ? "passed" : $8 == "fail" ? "failed" : "not run"
    if ($8 == "notrun" && (getline) > 0 && /SKIP_RETURN_CODE=/) s = "skipped"; print kind, s }' \
  "$build/ctest-junit.xml") || true
for kind in native x86 x64; do
  counts=$(awk -v kind="$kind" '$1 == kind { $1 = ""; n[substr($0, 2)]++ }
    END { for (o in n) printf "%s%d %s", (sep++ ? ", " : ""), n[o], o }' <<<"$outcomes")
  line="  $kind: ${counts:-none run}"
  if [ "$kind" = x86 ] && ! reason=$(tests/harness/arch-runs.sh x86); then
    line="$line ($reason)"
  fi
  echo "$line"
done
exit "$status"
