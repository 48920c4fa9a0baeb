#!/usr/bin/env bash
# /a hands the password change to MPR.DLL: here to stand-ins of the tests' own
# beside a copy of the saver, which record how they were loaded and called.
source "$(dirname "$0")/../harness/env.sh"

root="$WINEPREFIX/drive_c/zv_password"
log_windows='C:\zv_password\provider.log'
log="$root/provider.log"
rm -rf "$root"
for variant in password_provider password_provider_without_export none; do
  mkdir -p "$root/$variant"
  cp "$ZUVARIR_SCR" "$root/$variant/zuvarir.scr"
  [ -f "$ZUVARIR_BUILD/BASS.dll" ] && cp "$ZUVARIR_BUILD/BASS.dll" "$root/$variant/"
  [ "$variant" = none ] || cp "$ZUVARIR_BUILD/tests/shell/$variant/MPR.dll" "$root/$variant/"
done
visible_windows() { xdotool search --onlyvisible --name '.' 2>/dev/null | sort; }
before=$(visible_windows)

# Runs the saver copy of VARIANT with MPR loaded as OVERRIDE (n: the stand-in
# beside it, empty: none at all) and ARGS; checks exit code 0 and that no window
# showed, then compares the provider's log with the expected lines.
check_run() {
  local variant=$1 override=$2 what=$3 expected=$4 shown=""
  shift 4
  rm -f "$log"
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES;mpr=$override" ZUVARIR_PASSWORD_LOG="$log_windows" \
    start_wine "$root/$variant/zuvarir.scr" "$@"
  local i
  for ((i = 0; i < 100; i++)); do
    kill -0 "$zv_last_pid" 2>/dev/null || break
    [ "$(visible_windows)" != "$before" ] && shown=yes
    sleep 0.1
  done
  wait_exit "$zv_last_pid" 10
  [ "$zv_exit" = 0 ] && pass "$what: exit code 0" || fail "$what: exit code $zv_exit"
  [ -z "$shown" ] && pass "$what: no window showed" || fail "$what: a window showed"
  local got=""
  [ -f "$log" ] && got=$(tr -d '\r' <"$log" | paste -sd'|')
  [ "$got" = "$expected" ] && pass "$what: provider log '$got'" || fail "$what: provider log '$got', not '$expected'"
}

check_run password_provider n "/a 1234" "load|call SCRSAVE 1234 0 0|unload" /a 1234
check_run password_provider n "/a:77" "load|call SCRSAVE 77 0 0|unload" /a:77
check_run password_provider n "/a without a number" "load|call SCRSAVE 0 0 0|unload" /a
check_run password_provider_without_export n "a provider without the function" "load|unload" /a 5
check_run none "" "no provider at all" "" /a 5

rm -rf "$root"
finish
