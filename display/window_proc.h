#pragma once
#include <windows.h>

// The procedure of the render window and of the black covers beside it.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
