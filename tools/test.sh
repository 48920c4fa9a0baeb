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
junit=$(realpath -m "$build/ctest-junit.xml")
rm -f "$junit"
ctest --test-dir "$build" --output-on-failure -j2 --output-junit "$junit" "$@" || status=$?

# What ran of each kind, from ctest's own record of the run: in its JUnit file a
# test's status is "run", "fail", "disabled" or "notrun", and one not run has a
# <skipped> element saying why (SKIP_RETURN_CODE=77 where the test skipped itself).
echo
echo "Tests by kind:"
for kind in native x86 x64; do
  counts=$(awk -v kind="$kind" '
    index($0, "<testcase name=\"" kind ".") { s = $0; sub(/.*status="/, "", s); sub(/".*/, "", s)
      if (s == "notrun") { notrun = 1; next }
      n[s == "run" ? "passed" : s == "fail" ? "failed" : "not run"]++ }
    notrun { n[/SKIP_RETURN_CODE/ ? "skipped" : "not run"]++; notrun = 0 }
    END { split("passed,failed,skipped,not run", order, ",")
      for (i = 1; i <= 4; i++) if (n[order[i]]) printf "%s%d %s", (sep++ ? ", " : ""), n[order[i]], order[i] }' \
    "$junit" 2>/dev/null || true)
  line="  $kind: ${counts:-none run}"
  if [ "$kind" = x86 ] && ! reason=$(tests/harness/arch-runs.sh x86); then
    line="$line ($reason)"
  fi
  echo "$line"
done
exit "$status"
