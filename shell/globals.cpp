#include "shell/globals.h"

HINSTANCE gInstance;
HWND gWindowHandle;
