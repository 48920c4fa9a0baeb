#!/usr/bin/env bash
# Usage: wine-run.sh PROGRAM [ARGS...]   (or through a link named wineboot or winepath)
# The one way a Windows program starts here: under the Wine loader of ZUVARIR_ARCH
# (Debian's `wine` picks the 32-bit one whenever it is installed), in the test
# environment ZUVARIR_WINE_ENV names (77, skipped, where its architecture cannot
# run here), or else in WINEPREFIX, by default ~/.wine64 for x64. Returns its exit code.
set -u
if [ -n "${ZUVARIR_WINE_ENV:-}" ]; then
  [ -f "$ZUVARIR_WINE_ENV/unavailable" ] && exit 77
  # Entered once, so that what a caller set after entering it (WINEPATH, HOME) stays.
  # shellcheck disable=SC1091
  [ "${WINEPREFIX:-}" = "$ZUVARIR_WINE_ENV/prefix" ] || source "$ZUVARIR_WINE_ENV/env" || exit 1
fi
case "${ZUVARIR_ARCH:-}" in
  x86) loader=/usr/lib/wine/wine; export WINEARCH=win32 ;;
  x64) loader=/usr/lib/wine/wine64; export WINEARCH=win64 WINEPREFIX=${WINEPREFIX:-$HOME/.wine64} ;;
  *) echo "wine-run: ZUVARIR_ARCH is '${ZUVARIR_ARCH:-}', not x86 or x64" >&2; exit 1 ;;
esac
case "${0##*/}" in wineboot | winepath) set -- "${0##*/}.exe" "$@" ;; esac
# By its full name, not a link's: the loader takes its own name for the loader
# of the processes it starts.
WINEDEBUG=${WINEDEBUG:-fixme-all} exec "$loader" "$@"
