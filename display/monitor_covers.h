#pragma once
#include <windows.h>

// Black windows over the other monitors of a multi-monitor desktop, so that the
// whole desktop goes dark while the full-screen saver runs, not only the primary
// monitor that the render window covers.
//
// Each cover is a borderless, top-most popup exactly over one monitor that the
// render window does not touch, owned by the render window: it lives as long as
// that window, and hiding the render window's owned popups hides the covers. A
// cover shares the render window's procedure, so keys, buttons and mouse travel
// end the saver there too and the pointer is hidden over it; it draws nothing but
// its black background, never takes activation or the keyboard, and a click on
// it ends the saver without activating it. A monitor whose cover cannot be made
// stays uncovered; nothing is reported. With one monitor nothing is created.
void CoverOtherMonitors(HWND renderWindow);
