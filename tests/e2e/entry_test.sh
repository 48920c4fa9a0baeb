#!/usr/bin/env bash
# The entry as the screen-saver host starts it: unknown switches, the error box and
# its exit code, and command lines that only an exact CreateProcess line can give.
source "$(dirname "$0")/../harness/env.sh"

# No window of the saver may show while an unknown switch is handled.
for switch in /x / - /? //s; do
  start_saver "$switch"
  # Generous: the first Wine program after a quiet spell can take many seconds to start.
  wait_exit "$zv_last_pid" 40; code=$zv_exit
  [ "$code" = 0 ] && pass "'$switch' exits with 0" || fail "'$switch' gave exit code $code"
done
if probe window "Zuvarir" 1 >/dev/null || probe window "Zazezi setup" 1 >/dev/null ||
   probe window "Zuvarir Error" 1 >/dev/null; then
  fail "an unknown switch showed a window"
fi

# A preview pane that is no window: the window cannot be created, the error box
# shows the failure's text, and the process ends with 255 once it is answered.
start_saver /p 0
box=$(probe window "Zuvarir Error" 10000)
if [ -z "$box" ]; then
  fail "/p 0 showed no \"Zuvarir Error\" box"
else
  grep -q '^window .* Zuvarir Error$' <<<"$box" || fail "box caption: $box"
  grep -q ' Failed to create window\.\.\.$' <<<"$box" && pass "the box says \"Failed to create window...\"" ||
    fail "box text: $box"
  probe press "Zuvarir Error" 1
fi
wait_exit "$zv_last_pid" 10; code=$zv_exit
[ "$code" = 255 ] && pass "/p 0 exits with 255 after the box" || fail "/p 0 gave exit code $code"

# Exact command lines through CreateProcess, with the saver in a folder whose
# name has a space.
dir="$WINEPREFIX/drive_c/Saver Test"
mkdir -p "$dir"
cp "$ZUVARIR_SCR" "$dir/zuvarir.scr"
[ -f "$ZUVARIR_BUILD/BASS.dll" ] && cp "$ZUVARIR_BUILD/BASS.dll" "$dir/"
app='C:\Saver Test\zuvarir.scr'

# The closing quote is the one skipped character: /s may follow it at once.
start_wine "$ZUVARIR_BUILD/tests/harness/win_probe.exe" launch "$app" "\"$app\"/s"
launcher=$zv_last_pid
if wait_window Zuvarir 15 >/dev/null; then
  pass "a quoted name directly followed by /s runs the saver"
  sleep 1
  xdotool key space
else
  fail "a quoted name directly followed by /s showed no saver"
fi
wait_exit "$launcher" 10; code=$zv_exit
[ "$code" = 0 ] && pass "the saver ended with 0 on a key" || fail "the saver gave $code"

# A tab belongs to an unquoted name: nothing is left, so the settings dialog opens.
start_wine "$ZUVARIR_BUILD/tests/harness/win_probe.exe" launch "$app" "C:\\Saver\\zuvarir.scr	/s"
launcher=$zv_last_pid
if wait_window "Zazezi setup" 15 >/dev/null; then
  pass "a tab after an unquoted name opens the settings dialog"
  probe press "Zazezi setup" 2
else
  fail "a tab after an unquoted name did not open the settings dialog"
fi
wait_exit "$launcher" 10; code=$zv_exit
[ "$code" = 0 ] && pass "the dialog ended with 0" || fail "the dialog run gave $code"

finish
