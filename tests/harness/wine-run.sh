#!/usr/bin/env bash
# Runs a Windows program under Wine inside the test environment named by
# ZUVARIR_WINE_ENV (set by the test properties), and returns its exit code, or
# 77 (skipped) where the environment's architecture cannot run here.
set -u
[ -f "${ZUVARIR_WINE_ENV:-}/unavailable" ] && exit 77
if [ -z "${ZUVARIR_WINE_ENV:-}" ] || [ ! -f "$ZUVARIR_WINE_ENV/env" ]; then
  echo "wine-run: no test environment (ZUVARIR_WINE_ENV=${ZUVARIR_WINE_ENV:-})" >&2
  exit 1
fi
# shellcheck disable=SC1091
source "$ZUVARIR_WINE_ENV/env"
exec wine "$@"
