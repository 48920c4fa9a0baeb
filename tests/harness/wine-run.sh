#!/usr/bin/env bash
# The one way programs start under Wine here: runs PROGRAM [ARGS...] with the
# Wine loader of ZUVARIR_ARCH (x86 or x64; Debian's `wine` picks the 32-bit one
# whenever it is installed) and returns its exit code.
# In the test environment named by ZUVARIR_WINE_ENV (set by the test properties,
# or by its env file) it runs on that display and prefix, and returns 77
# (skipped) where the environment's architecture cannot run here. Elsewhere it
# runs in WINEPREFIX, by default ~/.wine for x86 and ~/.wine64 for x64.
# Called through a link named wineboot or winepath, it runs that Wine tool.
# Usage: wine-run.sh PROGRAM [ARGS...]
set -u
if [ -n "${ZUVARIR_WINE_ENV:-}" ]; then
  [ -f "$ZUVARIR_WINE_ENV/unavailable" ] && exit 77
  [ -f "$ZUVARIR_WINE_ENV/env" ] || { echo "wine-run: no test environment in $ZUVARIR_WINE_ENV" >&2; exit 1; }
  # Entered once, so that what a caller set after entering it (WINEPATH, HOME) stays.
  # shellcheck disable=SC1091
  [ "${WINEPREFIX:-}" = "$ZUVARIR_WINE_ENV/prefix" ] || source "$ZUVARIR_WINE_ENV/env"
fi
case "${ZUVARIR_ARCH:-}" in
  x86) loader=/usr/lib/wine/wine; export WINEARCH=win32 ;;
  x64) loader=/usr/lib/wine/wine64; export WINEARCH=win64 WINEPREFIX=${WINEPREFIX:-$HOME/.wine64} ;;
  *) echo "wine-run: ZUVARIR_ARCH is '${ZUVARIR_ARCH:-}', not x86 or x64" >&2; exit 1 ;;
esac
case "${0##*/}" in wineboot | winepath) set -- "${0##*/}.exe" "$@" ;; esac
export WINEDEBUG=${WINEDEBUG:-fixme-all}
# By its full name, not through a link: the loader takes its own name for the
# loader of the processes it starts.
exec "$loader" "$@"
