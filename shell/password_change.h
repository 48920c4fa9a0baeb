#pragma once
#include <windows.h>

// Hands the screen-saver password change to the system's provider in MPR.DLL.
// Does nothing, silently, where the provider is missing.
void ChangePassword(HWND parent);
