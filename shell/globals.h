#pragma once
#include <windows.h>

// The module that holds the resources: the window class, the dialog, the sprite.
extern HINSTANCE gInstance;
// First the window parsed from the command line (parent, owner or preview pane),
// then the render window once it exists.
extern HWND gWindowHandle;
