// The saver's pump step: at most one message per step. The views draw on
// threads of their own, so the step waits for the next message; while awake it
// wakes a few times a second to look whether the monitors changed, and the
// preview whether its pane can be seen. While the saver rests it sleeps until a
// message comes (a hidden preview still looks); the close rules hold as ever.
#include <algorithm>

#include "display/saver.h"
#include "shell/saver_mode.h"

namespace {
// How often a preview looks whether its pane can be seen.
constexpr DWORD kPreviewLookMs = 250;
}  // namespace

bool Saver::PumpMessage()
{
    if (gMode == ModePreview)
        CheckPreviewVisible();
    if (!IsResting() && clock.Read() >= nextLook)
        CheckMonitors();
    if (!PeekMessageA(&currentMessage, nullptr, 0, 0, PM_NOREMOVE)) {
        // Messages sent from other threads and processes (the power
        // notifications among them) wake the wait too, and are handled by the
        // next step's peek.
        DWORD limit = INFINITE;
        if (gMode == ModePreview)
            limit = kPreviewLookMs;
        else if (!IsResting())
            limit = static_cast<DWORD>(std::max(0.0, nextLook - clock.Read()) * 1000) + 1;
        MsgWaitForMultipleObjectsEx(0, nullptr, limit, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
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
