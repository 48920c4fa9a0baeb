#pragma once
#include <windows.h>

// The procedure of the primary's and the preview's window.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The procedure of the other monitors' windows: the same rules, except that a
// click must not move the activation away from the primary's window: its
// deactivation would count as the user's too, but the button that comes with
// the click already ends the saver.
LRESULT CALLBACK OtherMonitorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
