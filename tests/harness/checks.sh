# Sourced by test scripts: the checks' verdicts. Each check says ok or FAIL;
# `finish` ends the script, non-zero when any check failed.
zv_failures=0
fail() { echo "FAIL: $*" >&2; zv_failures=$((zv_failures + 1)); }
pass() { echo "ok: $*"; }
finish() { [ "$zv_failures" -eq 0 ] || { echo "$zv_failures check(s) failed" >&2; exit 1; }; exit 0; }

# Checks that OUTPUT, a text of lines, holds every LINE.
expect_lines() {
  local what=$1 output=$2 line
  shift 2
  for line in "$@"; do
    grep -qxF -- "$line" <<<"$output" && pass "$what: $line" || fail "$what: no '$line' in: $(tr '\n' '|' <<<"$output")"
  done
}
