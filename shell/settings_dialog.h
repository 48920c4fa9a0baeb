#pragma once
#include <windows.h>

// Procedure of dialog template 103: shows gSettings, and on OK stores the edited
// record in gSettings and in the registry.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
