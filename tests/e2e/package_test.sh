#!/usr/bin/env bash
# The 64-bit installer as a user gets it, in a fresh 64-bit Wine prefix of the
# test's own (the installer writes into the prefix's system folder): the silent
# install and what it leaves; the installed saver, started from System32, with
# the library it loads; version resources and manifest as the system reads them;
# the uninstall; installs over a running saver, over a file another program
# holds, over another program's BASS.dll and over the 32-bit Zuvarir 1.2.0; the
# interactive install. Through all of it Setup writes nothing for the user at
# the screen: HKEY_CURRENT_USER is the same at the end as at the start.
here=$(cd "$(dirname "$0")" && pwd)
version=${ZUVARIR_VERSION:?}
setup="$ZUVARIR_BUILD/packages/Zuvarir-$version-setup.exe"
zip="$ZUVARIR_BUILD/packages/Zuvarir-$version-win64.zip"
for package in "$setup" "$zip"; do
  [ -f "$package" ] || { echo "FAIL: $package was not built" >&2; exit 1; }
done

source "$here/../harness/private_env.sh"
source "$here/saver_common.sh"
objdump=${ZUVARIR_OBJDUMP:?}
source "$here/../harness/pe_names.sh"
work=$(mktemp -d)
trap 'zv_cleanup; rm -rf "$work"' EXIT

sysdir="$WINEPREFIX/drive_c/windows/system32"
olddir="$WINEPREFIX/drive_c/windows/syswow64"
installed_saver='C:\windows\system32\zuvarir.scr'
uninstaller='C:\Program Files\Zuvarir\Uninstall.exe'
uninstall_folder="$WINEPREFIX/drive_c/Program Files/Zuvarir"
old_uninstall_folder="$WINEPREFIX/drive_c/Program Files (x86)/Zuvarir"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zuvarir'
desktop_key='HKCU\Control Panel\Desktop'

# Runs the installer with ARGS; passes when it ends with EXPECTED (default 0).
run_setup() {
  local expected=0
  [ "$1" = --expect ] && { expected=$2; shift 2; }
  start_wine "$setup" "$@"
  wait_exit "$zv_last_pid" 120
  [ "$zv_exit" = "$expected" ] && pass "setup.exe $* ends with $expected" ||
    fail "setup.exe $*: exit code $zv_exit, not $expected"
}

# Runs the uninstaller silently. It hands over to a copy of itself and returns at
# once; the copy deletes the uninstall entry last, so that marks the end.
run_uninstaller() {
  local i
  start_wine "$uninstaller" /S
  wait_exit "$zv_last_pid" 60
  for ((i = 0; i < 120; i++)); do
    reg_values "$uninstall_key" >/dev/null || return 0
    sleep 0.5
  done
  fail "the uninstaller left its entry behind"
}

expect_installed() {
  local file
  for file in zuvarir.scr BASS.dll; do
    cmp -s "$sysdir/$file" "$work/zip/$file" && pass "$1: $file in System32, as in the zip" ||
      fail "$1: $file missing from System32 or unlike the zip's"
  done
  [ -z "$(find "$sysdir" -maxdepth 1 -name '*.new')" ] && pass "$1: no file half-installed" ||
    fail "$1: left $(find "$sysdir" -maxdepth 1 -name '*.new')"
}

expect_removed() {
  [ ! -e "$sysdir/zuvarir.scr" ] && pass "$1: zuvarir.scr removed" || fail "$1: zuvarir.scr left behind"
  [ ! -e "$uninstall_folder" ] && pass "$1: the uninstaller's folder removed" || fail "$1: $uninstall_folder left behind"
  reg_values "$uninstall_key" >/dev/null && fail "$1: the uninstall entry is left" || pass "$1: no uninstall entry"
}

# Prints the uninstall entry's DisplayVersion, or nothing.
recorded_version() { reg_get "$uninstall_key" DisplayVersion; }

# HKEY_CURRENT_USER as a text, without Wine's record of the system parameters
# that the running saver sets for the session (the screen saver running).
current_user() {
  wine reg export HKCU "$work/hkcu.reg" /y >/dev/null 2>&1
  iconv -f UTF-16 -t UTF-8 "$work/hkcu.reg" | tr -d '\r' |
    awk '/^\[/ { skip = index($0, "[HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters") == 1 }
         !skip && NF'
}

mkdir -p "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip")

# A display scaled to 150 %, and another saver chosen before: the user's own.
reg_set_dword "$desktop_key" LogPixels 144
reg_set_sz "$desktop_key" SCRNSAVE.EXE 'C:\windows\system32\other.scr'
current_user >"$work/hkcu-before.txt"

run_setup /S
expect_installed "/S"
expect_lines "uninstall entry" "$(reg_values "$uninstall_key")" \
  "DisplayName REG_SZ Zuvarir" "DisplayVersion REG_SZ $version" \
  "UninstallString REG_SZ \"$uninstaller\"" "QuietUninstallString REG_SZ \"$uninstaller\" /S"
[ -f "$uninstall_folder/Uninstall.exe" ] && pass "the uninstaller is in place" || fail "no $uninstaller"

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
grep -q '^dependency Microsoft.Windows.Common-Controls,.*processorArchitecture="amd64".*version="6\.' <<<"$manifest" &&
  pass "manifest: common controls 6 for amd64" || fail "manifest: no common controls 6 for amd64 in: $manifest"

# The installed saver, started from System32 as the settings start it, maps the
# BASS.dll beside it, which exports every name it imports (Windows, unlike Wine,
# refuses to start a program when one is missing). Wine does not stretch the
# windows of programs unaware of the scale, so the size shows the full screen
# with or without the manifest's word; the manifest check above shows that word.
ZUVARIR_SCR=$installed_saver
screen=$(xdpyinfo | awk '/dimensions:/ { print $2 }')
if start_full_screen; then
  geometry=$(xdotool getwindowgeometry "$saver_window" | awk '/Geometry:/ { print $2 }')
  [ "$geometry" = "$screen" ] && pass "the installed saver covers the $screen screen at 150 %" ||
    fail "the installed saver's window is $geometry on a $screen screen"
  loaded=$(grep -i -o '/[^ ]*/bass\.dll$' "/proc/$saver/maps" | sort -u)
  [ "$loaded" = "$sysdir/BASS.dll" ] && pass "the installed saver loads System32's BASS.dll" ||
    fail "the installed saver loads '$loaded'"
  exports=$(exported_names "$sysdir/BASS.dll")
  [ "$exports" = "$bass_names" ] && pass "that BASS.dll exports $exports" || fail "that BASS.dll exports $exports"
  sleep 4
  screenshot "$work/saver.png"
  lit=$(lit_fraction "$work/saver.png")
  greater "$lit" 0.002 && pass "the installed saver runs lit ($lit of the screen)" || fail "hardly anything lit: $lit"
  xdotool key space
  expect_closed "a key"
fi
start_saver
if wait_window "Zazezi setup" 15 >/dev/null; then
  pass "the installed zuvarir.scr without arguments opens the settings dialog"
  probe press "Zazezi setup" 2
else
  fail "the installed zuvarir.scr without arguments showed no settings dialog"
fi
wait_exit "$zv_last_pid" 15
[ "$zv_exit" = 0 ] && pass "the dialog ended with 0" || fail "the dialog run gave $zv_exit"

# Over a running saver: Setup ends it and replaces its files.
start_saver /s
running=$zv_last_pid
wait_window Zuvarir 30 >/dev/null || fail "over a running saver: no saver window"
touch -d 2000-01-01 "$sysdir/zuvarir.scr" "$sysdir/BASS.dll"
run_setup /S
expect_installed "over a running saver"
[ "$(find "$sysdir/zuvarir.scr" "$sysdir/BASS.dll" -newermt 2001-01-01 | wc -l)" = 2 ] &&
  pass "over a running saver: both files replaced" || fail "over a running saver: a file was not replaced"
wait_exit "$running" 5
[ "$zv_exit" != timeout ] && pass "over a running saver: the saver was ended" || fail "the running saver was left running"

# A file held open by another program cannot be replaced or removed: Setup and
# the uninstaller say so and fail, and the version recorded stays the old one.
reg_set_sz "$uninstall_key" DisplayVersion 1.2.9
start_wine "$ZUVARIR_BUILD/tests/harness/win_probe.exe" hold "$installed_saver" 60000
holder=$zv_last_pid
sleep 2
run_setup --expect 32 /S
[ "$(recorded_version)" = 1.2.9 ] && pass "a file in use: the old version stays recorded" ||
  fail "a file in use: version $(recorded_version) recorded"
[ -z "$(find "$sysdir" -maxdepth 1 -name '*.new')" ] && pass "a file in use: nothing half-installed left" ||
  fail "a file in use: left $(find "$sysdir" -maxdepth 1 -name '*.new')"
# In place (_?=, the rest of the command line unquoted), the uninstaller
# returns its own exit code.
probe launch "$uninstaller" "\"$uninstaller\" /S _?=C:\\Program Files\\Zuvarir"
code=$?
[ "$code" = 32 ] && pass "uninstall of a file in use ends with 32" || fail "uninstall of a file in use: exit $code"
[ -f "$sysdir/zuvarir.scr" ] && [ -n "$(recorded_version)" ] && pass "a file in use: the install stays whole" ||
  fail "a file in use: the uninstaller removed the entry or the saver"
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null

run_uninstaller
expect_removed "uninstall"
[ ! -e "$sysdir/BASS.dll" ] && pass "uninstall: BASS.dll removed" || fail "uninstall: BASS.dll left behind"

# Over the 32-bit Zuvarir 1.2.0 as its installer left it: the files in SysWOW64,
# the uninstaller in Program Files (x86), the entry in the registry's 32-bit view.
cp "$work/zip/zuvarir.scr" "$work/zip/BASS.dll" "$olddir/"
mkdir -p "$old_uninstall_folder"
cp "$work/zip/README.txt" "$old_uninstall_folder/Uninstall.exe"
wine reg add "$uninstall_key" /reg:32 /v DisplayVersion /d 1.2.0 /f >/dev/null 2>&1
wine reg add "$uninstall_key" /reg:32 /v UninstallString /d '"C:\Program Files (x86)\Zuvarir\Uninstall.exe"' \
  /f >/dev/null 2>&1
run_setup /S
expect_installed "over 1.2.0"
[ ! -e "$olddir/zuvarir.scr" ] && [ ! -e "$olddir/BASS.dll" ] && [ ! -e "$old_uninstall_folder" ] &&
  pass "over 1.2.0: its files and folder are gone" || fail "over 1.2.0: files of 1.2.0 are left"
reg_values "$uninstall_key" /reg:32 >/dev/null && fail "over 1.2.0: its entry is left" ||
  pass "over 1.2.0: one entry, version $(recorded_version)"
run_uninstaller
expect_removed "uninstall after the upgrade"

# Another program's BASS.dll, one with a version resource of another product and
# one without any: Setup changes nothing, says so and ends with 80.
for foreign in dsound.dll msacm32.dll; do
  cp "$sysdir/$foreign" "$sysdir/BASS.dll"
  run_setup --expect 80 /S
  cmp -s "$sysdir/$foreign" "$sysdir/BASS.dll" && pass "a foreign BASS.dll ($foreign) is kept byte for byte" ||
    fail "setup changed a foreign BASS.dll ($foreign)"
  [ ! -e "$sysdir/zuvarir.scr" ] && pass "beside a foreign BASS.dll ($foreign) no saver is installed" ||
    fail "a saver was installed beside a foreign BASS.dll ($foreign)"
  expect_removed "beside $foreign"
  rm -f "$sysdir/BASS.dll"
done

# The interactive install: Install, then a finish page that starts nothing.
setup_window="Zuvarir $version Setup "  # the caption ends in a space
start_wine "$setup"
setup_pid=$zv_last_pid
if probe window "$setup_window" 60000 | grep -q '^child 1 Button .* &Install$'; then
  probe press "$setup_window" 1
  for ((i = 0; i < 30; i++)); do
    probe window "$setup_window" 2000 | grep -q '^child 1 Button .* &Finish$' && break
    sleep 0.5
  done
  probe window "$setup_window" | grep -q 'choose "ZidaveVizur"' && pass "the finish page says how to choose the saver" ||
    fail "the finish page does not say how to choose the saver"
  probe press "$setup_window" 1
else
  fail "no components page with an Install button"
fi
wait_exit "$setup_pid" 30
[ "$zv_exit" = 0 ] && pass "the interactive setup ends with 0" || fail "the interactive setup: exit code $zv_exit"
sleep 2
[ -z "$(prefix_processes zuvarir.scr)" ] && pass "Setup started no Zuvarir" ||
  fail "Setup started $(prefix_processes zuvarir.scr)"
expect_installed "interactive"
run_uninstaller
expect_removed "uninstall after the interactive install"

current_user >"$work/hkcu-after.txt"
diff "$work/hkcu-before.txt" "$work/hkcu-after.txt" >"$work/hkcu.diff" &&
  pass "installs and uninstalls wrote nothing under HKEY_CURRENT_USER" ||
  fail "HKEY_CURRENT_USER changed: $(head -c 2000 "$work/hkcu.diff")"
finish
