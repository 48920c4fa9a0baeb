#!/usr/bin/env bash
# The release packages as a user gets them, in a fresh Wine prefix of the test's
# own (the installer writes into the prefix's system folder): the zip's files; the
# silent install with and without making Zuvarir the current saver; the installed
# saver started from the system folder; version resources and manifest as the
# system reads them; the silent uninstall; a BASS.dll of another program, which
# install and uninstall leave alone; the interactive install's defaults.
here=$(cd "$(dirname "$0")" && pwd)
version=${ZUVARIR_VERSION:?}
setup="$ZUVARIR_BUILD/packages/Zuvarir-$version-setup.exe"
zip="$ZUVARIR_BUILD/packages/Zuvarir-$version-win32.zip"
for package in "$setup" "$zip"; do
  [ -f "$package" ] || { echo "FAIL: $package was not built" >&2; exit 1; }
done

source "$here/../harness/private_env.sh"
source "$here/saver_common.sh"
work=$(mktemp -d)
trap 'zv_cleanup; rm -rf "$work"' EXIT

# The prefix is 32-bit: its one system folder is the one a 32-bit program sees.
sysdir="$WINEPREFIX/drive_c/windows/system32"
installed_saver='C:\windows\system32\zuvarir.scr'
uninstaller='C:\Program Files\Zuvarir\Uninstall.exe'
uninstall_folder="$WINEPREFIX/drive_c/Program Files/Zuvarir"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zuvarir'
desktop_key='HKCU\Control Panel\Desktop'
other_saver='C:\windows\system32\other.scr'

# Runs the installer with ARGS; passes when it ends with 0.
run_setup() {
  start_wine "$setup" "$@"
  wait_exit "$zv_last_pid" 120
  [ "$zv_exit" = 0 ] && pass "setup.exe $* ends with 0" || fail "setup.exe $*: exit code $zv_exit"
}

# Runs the uninstaller silently. It hands over to a copy of itself and returns at
# once; the copy deletes the uninstall entry last, so that marks the end.
run_uninstaller() {
  local i
  start_wine "$uninstaller" /S
  wait_exit "$zv_last_pid" 60
  for ((i = 0; i < 120; i++)); do
    wine reg query "$uninstall_key" >/dev/null 2>&1 || return 0
    sleep 0.5
  done
  fail "the uninstaller left its entry behind"
}

expect_installed() {
  local file
  for file in zuvarir.scr BASS.dll; do
    cmp -s "$sysdir/$file" "$work/zip/$file" && pass "$1: $file in the system folder, as in the zip" ||
      fail "$1: $file missing from the system folder or unlike the zip's"
  done
}

expect_removed() {
  [ ! -e "$sysdir/zuvarir.scr" ] && pass "$1: zuvarir.scr removed" || fail "$1: zuvarir.scr left behind"
  [ ! -e "$uninstall_folder" ] && pass "$1: the uninstaller's folder removed" || fail "$1: $uninstall_folder left behind"
  wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "$1: the uninstall entry is left" ||
    pass "$1: no uninstall entry"
}

# Passes when SCRNSAVE.EXE holds VALUE (case aside), or is missing for "".
expect_current_saver() {
  local what=$1 value
  value=$(reg_get "$desktop_key" SCRNSAVE.EXE)
  [ "${value,,}" = "${2,,}" ] && pass "$what: SCRNSAVE.EXE is '$value'" ||
    fail "$what: SCRNSAVE.EXE is '$value', not '$2'"
}

# The zip: exactly the two files and the text, the same files the installer carries.
listing=$(cmake -E tar tf "$zip" | sort | tr '\n' ' ')
[ "$listing" = "BASS.dll README.txt zuvarir.scr " ] && pass "the zip holds $listing" || fail "the zip holds $listing"
mkdir -p "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip")
grep -q "^Zuvarir $version " "$work/zip/README.txt" && pass "README.txt names version $version" ||
  fail "README.txt does not name version $version"

# A display scaled to 150 %, and another saver chosen before.
reg_set_dword "$desktop_key" LogPixels 144
reg_set_sz "$desktop_key" SCRNSAVE.EXE "$other_saver"

run_setup /S
expect_installed "/S"
entry=$(wine reg query "$uninstall_key" 2>/dev/null | tr -d '\r')
expect_lines "uninstall entry" "$(sed -n 's/^ \{4\}//p' <<<"$entry" | sed 's/ \{4\}/ /g')" \
  "DisplayName REG_SZ Zuvarir" "DisplayVersion REG_SZ $version" \
  "UninstallString REG_SZ \"$uninstaller\"" "QuietUninstallString REG_SZ \"$uninstaller\" /S"
[ -f "$uninstall_folder/Uninstall.exe" ] && pass "the uninstaller is in place" || fail "no $uninstaller"
expect_current_saver "/S alone" "$other_saver"

expect_lines "zuvarir.scr version" "$(probe version "$installed_saver")" "fixed $version.0 $version.0 app" \
  "string FileVersion $version" "string ProductVersion $version" "string ProductName Zuvarir" \
  "string OriginalFilename zuvarir.scr" "string FileDescription Zuvarir particle screen saver"
expect_lines "BASS.dll version" "$(probe version 'C:\windows\system32\BASS.dll')" "fixed $version.0 $version.0 dll" \
  "string FileVersion $version" "string ProductVersion $version" "string ProductName Zuvarir" \
  "string OriginalFilename BASS.dll" "string FileDescription Zuvarir audio library"
manifest=$(probe manifest "$installed_saver") || fail "the manifest of zuvarir.scr does not parse"
expect_lines "manifest" "$manifest" "dpiAware true" "dpiAwareness PerMonitorV2" "runLevel asInvoker" \
  "supportedOS {35138b9a-5d96-4fbd-8e2d-a2440225f93a}" "supportedOS {4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}" \
  "supportedOS {1f676c76-80e1-4239-95bb-83d0f6d0da78}" "supportedOS {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
grep -q '^dependency Microsoft.Windows.Common-Controls,.*version="6\.' <<<"$manifest" &&
  pass "manifest: common controls 6" || fail "manifest: no common controls 6 in: $manifest"

# The installed saver, started from the system folder as the settings start it,
# finds its library there. Wine does not stretch the windows of programs that are
# unaware of the scale, so the size shows the full screen with or without the
# manifest's word; the manifest check above is what shows that word.
ZUVARIR_SCR=$installed_saver
screen=$(xdpyinfo | awk '/dimensions:/ { print $2 }')
if start_full_screen; then
  geometry=$(xdotool getwindowgeometry "$saver_window" | awk '/Geometry:/ { print $2 }')
  [ "$geometry" = "$screen" ] && pass "the installed saver covers the $screen screen at 150 %" ||
    fail "the installed saver's window is $geometry on a $screen screen"
  sleep 4
  screenshot "$work/saver.png"
  lit=$(lit_fraction "$work/saver.png")
  greater "$lit" 0.002 && pass "the installed saver runs lit ($lit of the screen)" || fail "hardly anything lit: $lit"
  xdotool key space
  expect_closed "a key"
fi
start_saver
if probe window "Zazezi setup" 15000 >/dev/null; then
  pass "the installed zuvarir.scr without arguments opens the settings dialog"
  probe press "Zazezi setup" 2
else
  fail "the installed zuvarir.scr without arguments showed no settings dialog"
fi
wait_exit "$zv_last_pid" 15
[ "$zv_exit" = 0 ] && pass "the dialog ended with 0" || fail "the dialog run gave $zv_exit"

run_uninstaller
expect_removed "uninstall"
[ ! -e "$sysdir/BASS.dll" ] && pass "uninstall: BASS.dll removed" || fail "uninstall: BASS.dll left behind"
expect_current_saver "uninstall with another saver chosen" "$other_saver"

run_setup /S /CURRENT
expect_installed "/S /CURRENT"
expect_current_saver "/S /CURRENT" "$installed_saver"
run_uninstaller
expect_removed "uninstall after /CURRENT"
expect_current_saver "uninstall after /CURRENT" ""

# Another program's BASS.dll, one with a version resource of another product and
# one without any, stays byte for byte through install and uninstall.
for foreign in dsound.dll msacm32.dll; do
  cp "$sysdir/$foreign" "$sysdir/BASS.dll"
  run_setup /S
  cmp -s "$sysdir/$foreign" "$sysdir/BASS.dll" && pass "install keeps a foreign BASS.dll ($foreign)" ||
    fail "install replaced a foreign BASS.dll ($foreign)"
  [ -f "$sysdir/zuvarir.scr" ] && pass "the saver is installed beside it" || fail "no zuvarir.scr beside $foreign"
  run_uninstaller
  cmp -s "$sysdir/$foreign" "$sysdir/BASS.dll" && pass "uninstall keeps a foreign BASS.dll ($foreign)" ||
    fail "uninstall removed or changed a foreign BASS.dll ($foreign)"
  expect_removed "uninstall beside $foreign"
  rm -f "$sysdir/BASS.dll"
done

# The interactive install as it comes: Install on the components page keeps the
# default of making Zuvarir the current saver, and Finish opens its settings.
setup_window="Zuvarir $version Setup "  # the caption ends in a space
start_wine "$setup"
setup_pid=$zv_last_pid
if probe window "$setup_window" 60000 | grep -q '^child 1 Button .* &Install$'; then
  probe press "$setup_window" 1
  for ((i = 0; i < 30; i++)); do
    probe window "$setup_window" 2000 | grep -q '^child 1 Button .* &Finish$' && break
    sleep 0.5
  done
  probe press "$setup_window" 1
  if probe window "Zazezi setup" 15000 >/dev/null; then
    pass "Finish opens the settings dialog"
    probe press "Zazezi setup" 2
  else
    fail "Finish opened no settings dialog"
  fi
else
  fail "no components page with an Install button"
fi
wait_exit "$setup_pid" 30
[ "$zv_exit" = 0 ] && pass "the interactive setup ends with 0" || fail "the interactive setup: exit code $zv_exit"
expect_installed "interactive"
expect_current_saver "interactive, by default" "$installed_saver"
run_uninstaller
expect_removed "uninstall after the interactive install"

finish
