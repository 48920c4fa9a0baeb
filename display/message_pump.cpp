// The per-frame pump step: at most one message per frame and never a wait, so
// the frame loop runs as fast as the driver allows and a burst of input is
// spread over as many frames.
#include "display/gl_window.h"

bool GLWindow::PumpMessage()
{
    Tick();
    if (!PeekMessageA(&currentMessage, nullptr, 0, 0, PM_NOREMOVE))
        return true;
    // Something waits, so this does not block. An error result (-1) is not the
    // quit message and is dispatched like any other.
    if (GetMessageA(&currentMessage, nullptr, 0, 0) == 0)
        return false;
    TranslateMessage(&currentMessage);
    DispatchMessageA(&currentMessage);
    return true;
}
