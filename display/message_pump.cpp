// The per-frame pump step: at most one message per step and never a wait while
// the picture can be seen; the wait for a frame's time is the scene's
// (WaitForFrame), and any message ends it. While the saver rests it sleeps
// until a message comes; the close rules hold as ever.
#include "display/gl_window.h"
#include "shell/saver_mode.h"

namespace {
// How often a hidden preview looks whether its pane can be seen again.
constexpr DWORD kHiddenPreviewLookMs = 250;
}  // namespace

bool GLWindow::PumpMessage()
{
    Tick();
    if (gMode == ModePreview)
        CheckPreviewVisible();
    if (!PeekMessageA(&currentMessage, nullptr, 0, 0, PM_NOREMOVE)) {
        // Messages sent from other threads and processes (the power
        // notifications among them) wake the wait too, and are handled by the
        // next step's peek.
        if (IsResting()) {
            const DWORD limit = restReasons == RestPreviewHidden ? kHiddenPreviewLookMs : INFINITE;
            MsgWaitForMultipleObjectsEx(0, nullptr, limit, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
        return true;
    }
    // Something waits, so this does not block. An error result (-1) is not the
    // quit message and is dispatched like any other.
    if (GetMessageA(&currentMessage, nullptr, 0, 0) == 0)
        return false;
    TranslateMessage(&currentMessage);
    DispatchMessageA(&currentMessage);
    return true;
}
