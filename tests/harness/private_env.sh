# Sourced by an end-to-end test that needs an X server unlike the shared one (no
# OpenGL, two monitors), and by the tools that run Windows programs: starts a
# Wine environment of its own with start-env.sh's options, enters it as env.sh
# does, and stops it when the script exits (or at zv_cleanup, for a tool that
# starts one after another). The architecture is ZUVARIR_ARCH unless the options
# say; where it cannot run here the script ends as skipped (77).
# Usage: source private_env.sh [START-ENV OPTIONS]
zv_private_env=$(mktemp -d "${TMPDIR:-/tmp}/zuvarir-env.XXXXXX")
zv_start=0
"$(dirname "${BASH_SOURCE[0]}")/start-env.sh" --arch "${ZUVARIR_ARCH:-x86}" "$@" "$zv_private_env" \
  >"$zv_private_env.log" 2>&1 || zv_start=$?
if [ "$zv_start" != 0 ]; then
  [ "$zv_start" = 77 ] || { echo "FAIL: the test environment did not start:" >&2; zv_start=1; }
  cat "$zv_private_env.log" >&2
  "$(dirname "${BASH_SOURCE[0]}")/stop-env.sh" "$zv_private_env"
  rm -rf "$zv_private_env" "$zv_private_env.log"
  exit "$zv_start"
fi
rm -f "$zv_private_env.log"
export ZUVARIR_WINE_ENV=$zv_private_env
# shellcheck source=env.sh
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
