// A view's window and its OpenGL context, built as a straight sequence of steps,
// each failure reported with its one message. Implemented: the full-screen popup
// of the primary monitor, the popups over the other monitors, the preview child,
// the 16-bit double-buffered pixel format and the WGL context. Not done here:
// destroying the window (the saver's, once the view's thread has ended, and
// only for a monitor that goes away), the drawing thread (monitor_view.cpp).
#include "display/gl_window.h"

#include "shell/exception.h"
#include "shell/globals.h"

ContextCalls gContextCalls = {wglCreateContext, wglMakeCurrent};

namespace {

constexpr char kWindowTitle[] = "Zuvarir";

}  // namespace

GLWindow::GLWindow(const ViewPlacement& placement) : colorDepth(kSaverColorDepth)
{
    if (placement.kind == ViewPlacement::Other) {
        // Not activating and shown without activation, so that the primary's
        // window keeps both the activation and the keyboard; no taskbar button.
        const RECT& area = placement.area;
        width = area.right - area.left;
        height = area.bottom - area.top;
        window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kOtherMonitorClassName, "",
                                 WS_POPUP, area.left, area.top, width, height, placement.owner, nullptr, gInstance,
                                 nullptr);
        if (window)
            SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        return;
    }

    DWORD extendedStyle = WS_EX_TOPMOST;
    DWORD style = WS_POPUP | WS_VISIBLE;
    HWND parent = nullptr;
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
    if (placement.kind == ViewPlacement::Preview) {
        extendedStyle = 0;
        style = WS_CHILD | WS_VISIBLE;
        parent = placement.owner;
        // A pane that is no window leaves the size at 0 x 0; creation then fails below.
        RECT pane = {};
        GetWindowRect(parent, &pane);
        width = pane.right - pane.left;
        height = pane.bottom - pane.top;
    }
    window = CreateWindowExA(extendedStyle, kWindowClassName, kWindowTitle, style, 0, 0, width, height, parent,
                             nullptr, gInstance, nullptr);
    if (!window)
        return;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetFocus(window);
    BringWindowToTop(window);
}

const char* SetSaverPixelFormat(HDC deviceContext, uint32_t colorDepth)
{
    PIXELFORMATDESCRIPTOR descriptor = {};
    descriptor.nSize = sizeof descriptor;
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(colorDepth);
    descriptor.cDepthBits = static_cast<BYTE>(colorDepth);
    descriptor.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(deviceContext, &descriptor);
    if (format == 0)
        return "Can't find a suitable pixelformat.";
    if (!SetPixelFormat(deviceContext, format, &descriptor))
        return "Can't set the PixelFormat.";
    return nullptr;
}

void GLWindow::SetupPixelFormat()
{
    // CS_OWNDC makes this the window's own device context for its whole life.
    deviceContext = GetDC(window);
    if (const char* failure = SetSaverPixelFormat(deviceContext, colorDepth))
        throw Exception(failure);
}

void GLWindow::CreateRenderContext()
{
    renderContext = gContextCalls.createContext(deviceContext);
    if (!renderContext)
        throw Exception("Can't create a GL Rendering Context.");
    if (!gContextCalls.makeCurrent(deviceContext, renderContext))
        throw Exception("Can't activate GLRC.");
}

void GLWindow::ReleaseRenderContext()
{
    gContextCalls.makeCurrent(deviceContext, nullptr);
    if (renderContext)
        wglDeleteContext(renderContext);
    if (deviceContext)
        ReleaseDC(window, deviceContext);
    renderContext = nullptr;
    deviceContext = nullptr;
}
