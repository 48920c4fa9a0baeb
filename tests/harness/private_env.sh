# Sourced by an end-to-end test that needs an X server unlike the shared one (no
# OpenGL, two monitors): starts a Wine environment of its own with start-env.sh's
# options, enters it as env.sh does, and stops it when the script exits.
# The architecture is the test's (ZUVARIR_ARCH); where it cannot run here the
# test ends as skipped (77).
# Usage: source private_env.sh [START-ENV OPTIONS]
zv_private_env=$(mktemp -d "${TMPDIR:-/tmp}/zuvarir-env.XXXXXX")
"$(dirname "${BASH_SOURCE[0]}")/start-env.sh" --arch "${ZUVARIR_ARCH:-x86}" "$@" "$zv_private_env" \
  >"$zv_private_env.log" 2>&1
zv_start=$?
if [ "$zv_start" != 0 ]; then
  if [ "$zv_start" != 77 ]; then
    echo "FAIL: the test environment did not start:" >&2
    cat "$zv_private_env.log" >&2
    zv_start=1
  fi
  "$(dirname "${BASH_SOURCE[0]}")/stop-env.sh" "$zv_private_env"
  rm -rf "$zv_private_env" "$zv_private_env.log"
  exit "$zv_start"
fi
rm -f "$zv_private_env.log"
export ZUVARIR_WINE_ENV=$zv_private_env
# shellcheck source=env.sh
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
