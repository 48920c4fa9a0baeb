#!/usr/bin/env bash
# The settings dialog of the real saver, driven with the keyboard through xdotool
# and read back from the registry and, across processes, from the live controls.
source "$(dirname "$0")/../harness/env.sh"

dialog_probe() { wine "$ZUVARIR_BUILD/tests/shell/settings_dialog_probe.exe" "$@" 2>/dev/null | tr -d '\r'; }
# Gives the dialog the keyboard, then presses KEYS (xdotool key names).
keys() {
  local id
  id=$(wait_window "Zazezi setup" 15) || { fail "no settings dialog to type into"; return 1; }
  xdotool windowfocus --sync "$id" key --delay 50 "$@"
}
type_text() { xdotool type --delay 5 -- "$1"; }
# Checks that the live dialog shows every LINE (as `settings_dialog_probe state` prints it).
expect_state() { expect_lines "$1" "$(dialog_probe state 15000)" "${@:2}"; }
expect_exit() {
  wait_exit "$zv_last_pid" 15
  [ "$zv_exit" = 0 ] && pass "$1: exit code 0" || fail "$1: exit code $zv_exit"
}
# Checks the whole program key: NAME TYPE DATA per value.
expect_key() {
  local what=$1 listing expected
  shift
  listing=$(reg_values "$ZUVARIR_PROGRAM_KEY" | sort)
  expected=$(printf '%s\n' "$@" | sort)
  [ "$listing" = "$expected" ] && pass "$what: the key holds $*" ||
    fail "$what: the key holds $(tr '\n' '|' <<<"$listing") instead of $*"
}
expect_no_key() {
  reg_values "$ZUVARIR_PROGRAM_KEY" >/dev/null && fail "$1: the program key exists" || pass "$1: no program key"
}
# The stored path's registry type (1, REG_SZ), data size, text length and the
# count of nonzero bytes after its terminator.
expect_path_value() {
  local value
  value=$(dialog_probe value MusicFileName)
  [ "$value" = "type 1 size 256 length $2 nonzero-after 0" ] && pass "$1: $value" || fail "$1: $value"
}

# Tab order from the Cancel button: moving, attractive, floor, OK, path, music,
# Browse, every monitor, proportions, power.
reg_delete_key "$ZUVARIR_PROGRAM_KEY"
start_saver
expect_state "no program key" "check 1006 0" "check 1004 1" "check 1005 0" "check 1033 0" "check 1035 1" \
  "check 1036 1" "check 1037 1" "text c:/mp3/Various/nightfall.mp3" "focus 2"
keys Return
expect_exit "Enter at once"
expect_no_key "Enter at once closes through Cancel"

# Every switch toggled, a path typed, and Enter on a check box presses OK.
start_saver /c 0
keys Tab space Tab space Tab space Tab Tab && type_text 'C:\songs\rain.mp3' && keys Tab space Tab Tab space Tab space Tab space
expect_state "after editing" "check 1006 1" "check 1004 0" "check 1005 1" "check 1033 1" "check 1035 0" \
  "check 1036 0" "check 1037 0" "text C:\\songs\\rain.mp3"
keys Return
expect_exit "OK"
stored_key=("Attractive REG_DWORD 0x1" "EveryMonitor REG_DWORD 0x0" "Floor REG_DWORD 0x1" "Moving REG_DWORD 0x0"
  "Music REG_DWORD 0x1" 'MusicFileName REG_SZ C:\songs\rain.mp3' "KeepProportions REG_DWORD 0x0"
  "SavePower REG_DWORD 0x0")
expect_key "OK" "${stored_key[@]}"
expect_path_value "OK" 17

# Read back; then changes that end in Esc are not stored.
start_saver
expect_state "stored settings" "check 1006 1" "check 1004 0" "check 1005 1" "check 1033 1" "check 1035 0" \
  "check 1036 0" "check 1037 0" "text C:\\songs\\rain.mp3"
keys Tab space Tab Tab Tab Tab BackSpace && type_text 'D:\lost.mp3' && keys Escape
expect_exit "Esc"
expect_key "Esc changes nothing" "${stored_key[@]}"

# A 300-character path keeps its first 254 characters; an empty one is stored empty.
long=$(printf 'C:\\%0296d.mp3' 0 | tr 0 n)
start_saver
keys Tab Tab Tab Tab Tab && type_text "$long" && keys Return
expect_exit "a 300-character path"
stored=$(reg_get "$ZUVARIR_PROGRAM_KEY" MusicFileName)
[ "$stored" = "${long:0:254}" ] && pass "the first 254 characters are stored" || fail "stored ${#stored}: $stored"
expect_path_value "a 300-character path" 254
start_saver
keys Tab Tab Tab Tab Tab BackSpace Return
expect_exit "an empty path"
expect_path_value "an empty path" 0
[ -z "$(reg_get "$ZUVARIR_PROGRAM_KEY" MusicFileName)" ] && pass "the empty path is read back empty" ||
  fail "the empty path reads back as something"

# A key without "MusicFileName"; Browse opens with an empty name, and neither a
# cancelled file dialog nor a chosen file followed by Cancel stores anything.
reg_delete_key "$ZUVARIR_PROGRAM_KEY"
reg_set_dword "$ZUVARIR_PROGRAM_KEY" Floor 1
mkdir -p "$WINEPREFIX/drive_c/zv_music"
: >"$WINEPREFIX/drive_c/zv_music/song.mp3"
start_saver /c
expect_state "no MusicFileName" "check 1006 1" "check 1004 1" "text Couldn't load filename from registry"
keys Tab Tab Tab Tab Tab Tab Tab space
files=$(dialog_probe files 15000)
[ "$files" = "file " ] && pass "Browse opens \"Open mp3\" with an empty name" || fail "file dialog: '$files'"
files_window=$(wait_window "Open mp3" 5) && xdotool windowfocus --sync "$files_window" key Escape
expect_state "the file dialog cancelled" "text Couldn't load filename from registry"
keys space
files_window=$(wait_window "Open mp3" 15) && xdotool windowfocus --sync "$files_window" &&
  type_text 'C:\zv_music\song.mp3' && xdotool key Return
expect_state "a file chosen" "text C:\\zv_music\\song.mp3" "check 1033 0"
keys Escape
expect_exit "Cancel after Browse"
expect_key "Cancel after Browse" "Floor REG_DWORD 0x1"

# The owner: /c alone takes the foreground window, /c 0 and no switch take none.
app=$(winepath -w "$ZUVARIR_SCR" 2>/dev/null | tr -d '\r')
for case in "/c:mine" "/c 0:none" ":none"; do
  switch=${case%:*} owner=${case##*:}
  result=$(dialog_probe owner "$app" "\"$app\" $switch")
  grep -qx "foreground mine" <<<"$result" || fail "'$switch': the probe's window was not in the foreground"
  grep -qx "owner $owner" <<<"$result" && pass "'$switch': owner $owner" || fail "'$switch': $(tr '\n' '|' <<<"$result")"
  grep -qx "exit 0" <<<"$result" || fail "'$switch': $(tr '\n' '|' <<<"$result")"
done

reg_delete_key "$ZUVARIR_PROGRAM_KEY"
finish
