#!/usr/bin/env bash
# What ends the full-screen saver, each case on a fresh start: a key going down
# or up, a button going down, mouse travel past the threshold once the first half
# second is over, and another program taking the foreground. Each must end it
# with exit code 0 within a second.
source "$(dirname "$0")/../harness/env.sh"
source "$(dirname "$0")/saver_common.sh"

reg_delete_key "$ZUVARIR_PROGRAM_KEY"
reg_set_dword "$ZUVARIR_SYSTEM_KEY" "Mouse Threshold" 40
settle=1  # seconds after the window shows: past the half-second grace

if start_full_screen; then
  sleep "$settle"
  xdotool keydown space
  expect_closed "a key going down"
  xdotool keyup space
fi

# Held before the saver starts, so that only its release reaches the window.
xdotool keydown shift
if start_full_screen; then
  sleep "$settle"
  xdotool keyup shift
  expect_closed "a key going up"
else
  xdotool keyup shift
fi

for button in 1:left 3:right 2:middle; do
  if start_full_screen; then
    sleep "$settle"
    xdotool mousedown "${button%%:*}"
    expect_closed "the ${button#*:} button going down"
    xdotool mouseup "${button%%:*}"
  fi
done

# Far past the threshold at once: within the grace period that counts for nothing;
# the next movement after it does.
if start_full_screen; then
  xdotool mousemove_relative 200 0
  sleep 1.5
  expect_running "mouse travel in the first half second"
  xdotool mousemove_relative 1 0
  expect_closed "mouse travel after the first half second"
fi

if start_full_screen; then
  sleep "$settle"
  xdotool mousemove 541 400
  expect_closed "mouse travel of one pixel past the threshold"
fi

# Another Wine program comes up and takes the foreground: the saver is deactivated.
if start_full_screen; then
  sleep "$settle"
  start_wine notepad
  other=$zv_last_pid
  expect_closed "losing the foreground to another program" 3
  kill "$other" 2>/dev/null
  wait "$other" 2>/dev/null
fi

reg_delete_key "$ZUVARIR_SYSTEM_KEY"
finish
