#pragma once
#include <windows.h>

#include <cstdint>

// Where a view's window goes: the primary monitor (the top-most full-screen
// popup that has the keyboard), another monitor (a top-most popup over it that
// never takes the activation, owned by the primary's window), or the preview
// pane (a child filling it).
struct ViewPlacement {
    enum Kind { Primary, Other, Preview } kind;
    RECT area;   // Other: the monitor's rectangle
    HWND owner;  // Other: the primary's window; Preview: the pane
};

// One view's window and its OpenGL side. The constructor makes the window (on
// the thread that handles its messages); SetupPixelFormat and
// CreateRenderContext then make the context on the thread that draws it, which
// releases it again with ReleaseRenderContext when it ends. The object lives as
// long as that thread; the window is not its to destroy: it lasts until the
// process ends, or until the saver takes the view of a monitor that went away,
// once the view's thread has ended. It holds a device context and a rendering
// context, so it is not copied.
class GLWindow {
public:
    // Makes the window and shows it; the primary's and the preview's also take
    // the focus, another monitor's never the activation. A window that cannot
    // be made leaves `window` null.
    explicit GLWindow(const ViewPlacement& placement);
    ~GLWindow() = default;
    GLWindow(const GLWindow&) = delete;
    GLWindow& operator=(const GLWindow&) = delete;

    // The context steps, each throwing its one message.
    void SetupPixelFormat();
    void CreateRenderContext();
    void ReleaseRenderContext();

    HWND window = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t colorDepth = 0;
    HGLRC renderContext = nullptr;
    HDC deviceContext = nullptr;
};

// The bits asked for both the colour buffer and the depth buffer.
constexpr uint32_t kSaverColorDepth = 16;

// The saver's pixel format on `deviceContext`: double-buffered RGBA with
// colorDepth bits of colour and of depth. The failure's message, or null.
const char* SetSaverPixelFormat(HDC deviceContext, uint32_t colorDepth);

// The classes the saver registers: the primary's and the preview's window, and
// the other monitors' windows.
constexpr char kWindowClassName[] = "dozozed_udova";
constexpr char kOtherMonitorClassName[] = "dozozed_udova_cover";

// The two context calls, replaceable so that a test can make activation fail,
// or hold up a view's end (the release is makeCurrent with no context); they
// default to wglCreateContext and wglMakeCurrent.
struct ContextCalls {
    HGLRC(WINAPI* createContext)(HDC);
    BOOL(WINAPI* makeCurrent)(HDC, HGLRC);
};
extern ContextCalls gContextCalls;
