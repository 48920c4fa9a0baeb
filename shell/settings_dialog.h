#pragma once
#include <windows.h>

// Procedure of dialog template 103. It opens showing gSettings (the four switches
// and the music path) with the focus on Cancel, which Enter then presses. OK
// copies the controls into gSettings and saves the record to the registry; Cancel
// touches nothing. The procedure keeps no state of its own between calls. Browse
// fills the edit box from the system's file-open dialog; a cancelled or failed
// file dialog changes nothing.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
