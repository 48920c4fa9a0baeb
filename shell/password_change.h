#pragma once
#include <windows.h>

// Hands the screen-saver password change to the system's provider,
// PwdChangePasswordA in MPR.DLL, with parent as the window of its dialog (0 for
// none) and returns once the provider has. Where the library or the function is
// missing nothing happens, silently; the provider's result is of no interest.
void ChangePassword(HWND parent);
