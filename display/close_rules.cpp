// The close rules: which input ends which mode, their arithmetic, and the one
// way the saver asks to end: WM_CLOSE posted to the primary's window, answered
// with the quit message by WindowProc.
#include "display/close_rules.h"

#include <cstdlib>

#include "display/saver.h"
#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

namespace {

void CloseOnMouseTravel()
{
    if (gMode != ModeSaver || !(SaverSecondsShown() > kMouseGraceSeconds))
        return;
    // The position in lParam is client-relative; the origin is a screen point.
    POINT cursor;
    if (!GetCursorPos(&cursor))
        return;  // unreadable: this movement cannot be judged, the next one will be
    const SaverSettings::Point& origin = gSettings->mouseOrigin;
    if (IsBeyondMouseThreshold(cursor.x, cursor.y, origin.x, origin.y, gSettings->mouseThreshold))
        gSettings->RequestClose();
}

}  // namespace

bool ApplyCloseRules(UINT message, WPARAM wParam)
{
    const bool mayEnd = SaverAlive();
    switch (message) {
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
        // The whole wParam 0: deactivated, and for WM_ACTIVATE not minimised.
        if (mayEnd && (gMode == ModeSaver || gMode == ModePreview) && wParam == 0)
            gSettings->RequestClose();
        return true;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (mayEnd && gMode == ModeSaver)
            gSettings->RequestClose();
        return true;
    case WM_MOUSEMOVE:
        CloseOnMouseTravel();
        return true;
    default:
        return false;
    }
}

bool IsBeyondMouseThreshold(int32_t x, int32_t y, int32_t originX, int32_t originY, int32_t threshold)
{
    // 64-bit differences, so that no pair of 32-bit points can overflow.
    const int64_t dx = std::llabs(int64_t{x} - originX);
    const int64_t dy = std::llabs(int64_t{y} - originY);
    return dx > threshold || dy > threshold;
}

void SaverSettings::RequestClose()
{
    // A failed post goes unnoticed; the next qualifying input asks again.
    PostMessageA(windowHandle, WM_CLOSE, 0, 0);
}
