// The window procedures of the saver's windows, one on each monitor. In the
// full-screen saver the first key, button press, deactivation or mouse travel
// beyond the threshold, over any monitor, asks for the end; the preview ends
// only on deactivation or when its pane goes away. Every ending runs the same
// road: WM_CLOSE is posted, answered with the quit message, and the pump returns
// false on it. A window whose set-up failed stays until the process ends while
// the entry's error box waits for the user; it asks for nothing, since the quit
// message would end the box's own message loop and take the error text away
// unread. Power notifications rest the saver
// while nobody can see it (rest.cpp); a display change has it look at its
// monitors at the next pump step.
#include "display/window_proc.h"

#include "display/close_rules.h"
#include "display/saver.h"
#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

namespace {

bool IsSaverOrPreview() { return gMode == ModeSaver || gMode == ModePreview; }

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

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool mayEnd = SaverAlive();
    switch (message) {
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUIT:
        if (mayEnd)
            PostQuitMessage(0);
        return 0;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
        // The whole wParam 0: deactivated, and for WM_ACTIVATE not minimised.
        if (mayEnd && IsSaverOrPreview() && wParam == 0)
            gSettings->RequestClose();
        return 0;
    case WM_SETCURSOR:
        SetCursor(gMode == ModeSaver ? nullptr : LoadCursorA(nullptr, IDC_ARROW));
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (mayEnd && gMode == ModeSaver)
            gSettings->RequestClose();
        return 0;
    case WM_MOUSEMOVE:
        CloseOnMouseTravel();
        return 0;
    case WM_SYSCOMMAND:
        // Every system command is swallowed (no screen-saver start, no menu, no
        // Alt+F4) but the system's request to power the display down.
        if ((wParam & 0xFFF0) == SC_MONITORPOWER)
            return DefWindowProcA(window, message, wParam, lParam);
        return 0;
    case WM_POWERBROADCAST:
        if (mayEnd)
            gSaver->OnPowerBroadcast(wParam, lParam);
        return TRUE;  // handled, and no suspend is ever refused
    case WM_DISPLAYCHANGE:
        if (mayEnd)
            gSaver->nextLook = 0;
        return DefWindowProcA(window, message, wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK OtherMonitorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    return WindowProc(window, message, wParam, lParam);
}
