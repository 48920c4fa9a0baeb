// Placeholder until the settings dialog lands.
#include "shell/settings_dialog.h"

INT_PTR CALLBACK SettingsDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
