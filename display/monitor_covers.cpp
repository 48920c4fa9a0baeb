#include "display/monitor_covers.h"

#include "display/gl_window.h"
#include "display/window_proc.h"
#include "shell/globals.h"

namespace {

constexpr char kCoverClassName[] = "dozozed_udova_cover";

struct Covering {
    HWND renderWindow;
    RECT renderArea;
};

// The render window's rules, except that a click must not move the activation
// away from the render window: its deactivation would count as the user's too,
// but the button that comes with the click already ends the saver.
LRESULT CALLBACK CoverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEACTIVATE)
        return MA_NOACTIVATE;
    return WindowProc(window, message, wParam, lParam);
}

bool RegisterCoverClass()
{
    WNDCLASSEXA coverClass = {};
    coverClass.cbSize = sizeof coverClass;
    coverClass.lpfnWndProc = CoverProc;
    coverClass.hInstance = gInstance;
    // No cursor: the window procedure chooses it, as over the render window.
    coverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    coverClass.lpszClassName = kCoverClassName;
    return RegisterClassExA(&coverClass) != 0;
}

BOOL CALLBACK CoverMonitor(HMONITOR, HDC, LPRECT monitorArea, LPARAM data)
{
    const Covering& covering = *reinterpret_cast<const Covering*>(data);
    RECT overlap;
    // The render window's own monitor, or one overlapping it, stays as it is: a
    // cover there would lie above the render window, which owns it.
    if (IntersectRect(&overlap, monitorArea, &covering.renderArea))
        return TRUE;
    // Not activating and shown without activation, so that the render window
    // keeps both the activation and the keyboard; no taskbar button.
    HWND cover = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kCoverClassName, "", WS_POPUP,
                                 monitorArea->left, monitorArea->top, monitorArea->right - monitorArea->left,
                                 monitorArea->bottom - monitorArea->top, covering.renderWindow, nullptr, gInstance,
                                 nullptr);
    if (cover)
        SetWindowPos(cover, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    return TRUE;
}

}  // namespace

void CoverOtherMonitors(HWND renderWindow)
{
    if (GetSystemMetrics(SM_CMONITORS) < 2)
        return;
    Covering covering = {renderWindow, {}};
    if (!GetWindowRect(renderWindow, &covering.renderArea) || !RegisterCoverClass())
        return;
    EnumDisplayMonitors(nullptr, nullptr, CoverMonitor, reinterpret_cast<LPARAM>(&covering));
}
