// The window procedures of the saver's windows, the primary's (or the
// preview's) and the other monitors'. Input goes to the close rules
// (close_rules.cpp). Every ending runs the same road: WM_CLOSE is posted,
// answered with the quit message, and the pump returns false on it. A window
// whose set-up failed stays until the process ends while the entry's error box
// waits for the user; it asks for nothing, since the quit message would end the
// box's own message loop and take the error text away unread. Power
// notifications rest the saver while nobody can see it (rest.cpp); a display
// change has it look at its monitors at the next pump step.
#include "display/window_proc.h"

#include "display/close_rules.h"
#include "display/saver.h"
#include "shell/saver_mode.h"

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (ApplyCloseRules(message, wParam))
        return 0;
    const bool alive = SaverAlive();
    switch (message) {
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUIT:
        if (alive)
            PostQuitMessage(0);
        return 0;
    case WM_SETCURSOR:
        SetCursor(gMode == ModeSaver ? nullptr : LoadCursorA(nullptr, IDC_ARROW));
        return 0;
    case WM_SYSCOMMAND:
        // Every system command is swallowed (no screen-saver start, no menu, no
        // Alt+F4) but the system's request to power the display down.
        if ((wParam & 0xFFF0) == SC_MONITORPOWER)
            return DefWindowProcA(window, message, wParam, lParam);
        return 0;
    case WM_POWERBROADCAST:
        if (alive)
            gSaver->OnPowerBroadcast(wParam, lParam);
        return TRUE;  // handled, and no suspend is ever refused
    case WM_DISPLAYCHANGE:
        if (alive)
            gSaver->OnDisplayChange();
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
