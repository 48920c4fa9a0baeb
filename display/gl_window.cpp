// The render window and its OpenGL context, built as a straight sequence of steps,
// each failure reported with its one message. Implemented: the single-instance
// guard, the preview child and the full-screen popup (with black covers over the
// other monitors), the 16-bit double-buffered pixel format, the WGL context,
// clock and music start, the screen-saver-running flag. Not done here:
// destroying the window or unregistering its class; both last until the
// process ends.
#include "display/gl_window.h"
#include "display/monitor_covers.h"
#include "display/music.h"
#include "display/window_proc.h"

#include "shell/exception.h"
#include "shell/globals.h"
#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

GLWindow* gActiveWindow;
ContextCalls gContextCalls = {wglCreateContext, wglMakeCurrent};

namespace {

constexpr char kClassName[] = "dozozed_udova";
constexpr char kWindowTitle[] = "Zuvarir";
constexpr uint32_t kColorDepth = 16;

// gActiveWindow stays set for good as the guard, so whether the object behind it
// still exists is kept apart: the window keeps receiving input while an error box
// shows after a failed construction, and after the scene has been destroyed.
bool gActiveWindowAlive;

void SetScreenSaverRunning(BOOL running)
{
    BOOL formerState = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running, &formerState, 0);
}

}  // namespace

bool ActiveWindowAlive()
{
    return gActiveWindow && gActiveWindowAlive;
}

double ActiveWindowElapsed()
{
    return ActiveWindowAlive() ? gActiveWindow->elapsed : 0.0;
}

double ActiveWindowSecondsShown()
{
    return ActiveWindowAlive() ? SteadySeconds() - gActiveWindow->shownAt : 0.0;
}

GLWindow::GLWindow()
{
    if (gActiveWindow)
        throw Exception("Multiple instances of Window found.");
    gActiveWindow = this;
    gActiveWindowAlive = true;
    deviceContext = nullptr;
    renderContext = nullptr;
    colorDepth = kColorDepth;

    // The mouse rule measures cursor travel from where the cursor was when the
    // saver came up, before the window exists and before any mouse message.
    // Should the position be unreadable, the record's origin stays as it was.
    POINT cursor;
    if (GetCursorPos(&cursor))
        gSettings->mouseOrigin = {cursor.x, cursor.y};

    try {
        CreateRenderWindow();
    } catch (...) {
        // No destructor runs for this object; what it acquired stays until the process ends.
        gActiveWindowAlive = false;
        throw;
    }
    shownAt = SteadySeconds();
    StartClock();
    StartMusic();
    // A suspend handled while the window came up: the music waits for the resume.
    if (IsResting())
        PauseMusic();
    StartPacing();
    if (gMode == ModeSaver)
        SetScreenSaverRunning(TRUE);
    RegisterDisplayNotifications();
}

GLWindow::~GLWindow()
{
    UnregisterDisplayNotifications();
    StopPacing();
    StopMusic();
    StopClock();
    wglMakeCurrent(deviceContext, nullptr);
    wglDeleteContext(renderContext);
    ReleaseDC(gWindowHandle, deviceContext);
    if (gMode == ModeSaver)
        SetScreenSaverRunning(FALSE);
    gActiveWindowAlive = false;
}

void GLWindow::CreateRenderWindow()
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = gInstance;
    // No cursor: WindowProc chooses it on every WM_SETCURSOR.
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExA(&windowClass))
        throw Exception("Failed to register class!");

    DWORD extendedStyle = WS_EX_TOPMOST;
    DWORD style = WS_POPUP | WS_VISIBLE;
    HWND parent = nullptr;
    int windowWidth = GetSystemMetrics(SM_CXSCREEN);
    int windowHeight = GetSystemMetrics(SM_CYSCREEN);
    if (gMode == ModePreview) {
        extendedStyle = 0;
        style = WS_CHILD | WS_VISIBLE;
        parent = gWindowHandle;
        // A pane that is no window leaves the size at 0 x 0; creation then fails below.
        RECT pane = {};
        GetWindowRect(parent, &pane);
        windowWidth = pane.right - pane.left;
        windowHeight = pane.bottom - pane.top;
    }

    gWindowHandle = CreateWindowExA(extendedStyle, kClassName, kWindowTitle, style, 0, 0, windowWidth, windowHeight,
                                    parent, nullptr, gInstance, nullptr);
    width = windowWidth;
    height = windowHeight;
    if (!gWindowHandle)
        throw Exception("Failed to create window...");
    gSettings->windowHandle = gWindowHandle;

    SetupPixelFormat();
    CreateRenderContext();

    ShowWindow(gWindowHandle, SW_SHOW);
    UpdateWindow(gWindowHandle);
    SetFocus(gWindowHandle);
    BringWindowToTop(gWindowHandle);

    // The popup covers the primary monitor only; the others go black beside it.
    if (gMode == ModeSaver)
        CoverOtherMonitors(gWindowHandle);
}

void GLWindow::SetupPixelFormat()
{
    PIXELFORMATDESCRIPTOR descriptor = {};
    descriptor.nSize = sizeof descriptor;
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(colorDepth);
    descriptor.cDepthBits = static_cast<BYTE>(colorDepth);
    descriptor.iLayerType = PFD_MAIN_PLANE;

    // CS_OWNDC makes this the window's own device context for its whole life.
    deviceContext = GetDC(gWindowHandle);
    const int format = ChoosePixelFormat(deviceContext, &descriptor);
    if (format == 0)
        throw Exception("Can't find a suitable pixelformat.");
    if (!SetPixelFormat(deviceContext, format, &descriptor))
        throw Exception("Can't set the PixelFormat.");
}

void GLWindow::CreateRenderContext()
{
    renderContext = gContextCalls.createContext(deviceContext);
    if (!renderContext)
        throw Exception("Can't create a GL Rendering Context.");
    if (!gContextCalls.makeCurrent(deviceContext, renderContext))
        throw Exception("Can't activate GLRC.");
}
