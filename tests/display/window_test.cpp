// The saver's windows under Wine: the single-instance guard, the preview child
// and the full-screen popup, and every set-up failure with its message.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <atomic>
#include <initializer_list>

#include <memory>
#include <string>
#include <vector>

#include "display/gl_window.h"
#include "display/saver.h"
#include "shell/exception.h"
#include "shell/globals.h"
#include "tests/display/window_fixture.h"

namespace {

// The message of the Exception that building a saver throws, or "" when it builds.
std::string BuildFailure(std::unique_ptr<Saver>& saver)
{
    try {
        saver = std::make_unique<Saver>();
    } catch (Exception& failure) {
        return failure.message;
    }
    return "";
}

std::string StepFailure(void (GLWindow::*step)(), GLWindow& window)
{
    try {
        (window.*step)();
    } catch (Exception& failure) {
        return failure.message;
    }
    return "";
}

int CountRenderWindows()
{
    int count = 0;
    for (HWND window = FindWindowA("dozozed_udova", nullptr); window;
         window = FindWindowExA(nullptr, window, "dozozed_udova", nullptr))
        ++count;
    return count;
}

bool ScreenSaverRunning()
{
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running != FALSE;
}

HWND MakePlainWindow(DWORD style = WS_POPUP | WS_VISIBLE, HWND parent = nullptr, int width = 200, int height = 150)
{
    return CreateWindowExA(0, "STATIC", "pane", style, 40, 30, width, height, parent, nullptr, nullptr, nullptr);
}

BOOL WINAPI RefuseActivation(HDC, HGLRC) { return FALSE; }

// Holds up a view's end, the release of its context, past the stop's limit.
constexpr DWORD kHeldEndMs = 1500;
std::atomic<int> gHeldEnds{0};
BOOL WINAPI HoldUpRelease(HDC deviceContext, HGLRC context)
{
    if (!context) {
        Sleep(kHeldEndMs);
        ++gHeldEnds;
    }
    return wglMakeCurrent(deviceContext, context);
}

}  // namespace

TEST_CASE("the full-screen saver window covers the screen, on top, drawn with the saver's pixel format")
{
    WindowFixture fixture(ModeSaver);
    SetCursorPos(123, 234);
    auto saver = std::make_unique<Saver>();

    CHECK(gSaver == saver.get());
    CHECK(IsWindow(gWindowHandle));
    CHECK(fixture.settings.windowHandle == gWindowHandle);
    CHECK(saver->PrimaryView()->Window() == gWindowHandle);
    RECT rect;
    GetWindowRect(gWindowHandle, &rect);
    CHECK(rect.left == 0);
    CHECK(rect.top == 0);
    CHECK(rect.right == GetSystemMetrics(SM_CXSCREEN));
    CHECK(rect.bottom == GetSystemMetrics(SM_CYSCREEN));
    CHECK((GetWindowLongA(gWindowHandle, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    CHECK(GetWindowLongA(gWindowHandle, GWL_STYLE) == LONG(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS));
    char title[32] = {};
    GetWindowTextA(gWindowHandle, title, sizeof title);
    CHECK(std::string(title) == "Zuvarir");

    // The view's own thread made its context on the window's device context.
    CHECK(saver->PrimaryView()->IsDrawing());
    const HDC deviceContext = GetDC(gWindowHandle);
    PIXELFORMATDESCRIPTOR format = {};
    DescribePixelFormat(deviceContext, GetPixelFormat(deviceContext), sizeof format, &format);
    CHECK((format.dwFlags & PFD_DOUBLEBUFFER) != 0);
    CHECK((format.dwFlags & PFD_SUPPORT_OPENGL) != 0);
    CHECK(ScreenSaverRunning());
    // The mouse rule measures from where the cursor was when the saver came up.
    CHECK(fixture.settings.mouseOrigin.x == 123);
    CHECK(fixture.settings.mouseOrigin.y == 234);

    // Destruction ends the views and the flag, but the window stays.
    const HWND renderWindow = gWindowHandle;
    saver.reset();
    CHECK_FALSE(ScreenSaverRunning());
    CHECK_FALSE(SaverLeftThreads());
    CHECK(IsWindow(renderWindow));
    CHECK(gSaver != nullptr);
    CHECK(SaverSecondsShown() == 0.0);
}

// Also run on two monitors (tests/e2e/monitors_test.sh), where views waited for
// one after another would see the second one's thread end.
TEST_CASE("a key ends every view within one deadline, and no window goes under a thread that draws on")
{
    WindowFixture fixture(ModeSaver);
    gContextCalls.makeCurrent = HoldUpRelease;
    gHeldEnds = 0;
    auto saver = std::make_unique<Saver>();
    std::vector<HWND> windows;
    for (const char* name : {kWindowClassName, kOtherMonitorClassName})
        for (HWND window = FindWindowA(name, nullptr); window; window = FindWindowExA(nullptr, window, name, nullptr))
            windows.push_back(window);
    CHECK(windows.size() == size_t(GetSystemMetrics(SM_CMONITORS)));
    const DWORD key = GetTickCount();
    PostMessageA(gWindowHandle, WM_KEYDOWN, VK_SPACE, 0x00390001);
    while (saver->PumpMessage()) {
    }
    saver.reset();
    MESSAGE(windows.size(), " views held up: ", GetTickCount() - key, " ms from the key to the saver's end");
    CHECK(gHeldEnds == 0);
    CHECK(SaverLeftThreads());  // the process then ends at once, the driver's teardown skipped
    for (HWND window : windows)
        CHECK(IsWindow(window));
    Sleep(kHeldEndMs);  // the threads end before the fixture takes their windows
    CHECK(gHeldEnds == int(windows.size()));
    gContextCalls.makeCurrent = wglMakeCurrent;
}

TEST_CASE("a second window is refused, also after the first was destroyed, and creates nothing")
{
    WindowFixture fixture(ModeSaver);
    auto first = std::make_unique<Saver>();
    const HWND firstWindow = gWindowHandle;
    std::unique_ptr<Saver> second;

    CHECK(BuildFailure(second) == "Multiple instances of Window found.");
    CHECK(CountRenderWindows() == 1);
    CHECK(gWindowHandle == firstWindow);
    CHECK(gSaver == first.get());

    first.reset();
    CHECK(BuildFailure(second) == "Multiple instances of Window found.");
    CHECK(CountRenderWindows() == 1);
    CHECK(gWindowHandle == firstWindow);
}

TEST_CASE("the preview child fills its pane and leaves the screen-saver flag alone")
{
    WindowFixture fixture(ModePreview);
    const HWND pane = MakePlainWindow(WS_POPUP | WS_VISIBLE | WS_BORDER, nullptr, 152, 112);
    REQUIRE(pane);
    gWindowHandle = pane;
    auto saver = std::make_unique<Saver>();

    CHECK(GetParent(gWindowHandle) == pane);
    CHECK((GetWindowLongA(gWindowHandle, GWL_STYLE) & WS_CHILD) != 0);
    CHECK((GetWindowLongA(gWindowHandle, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0);
    RECT paneRect, childRect;
    GetWindowRect(pane, &paneRect);
    GetWindowRect(gWindowHandle, &childRect);
    CHECK(childRect.right - childRect.left == 152);
    CHECK(childRect.bottom - childRect.top == 112);
    POINT clientOrigin = {0, 0};
    ClientToScreen(pane, &clientOrigin);
    CHECK(childRect.left == clientOrigin.x);
    CHECK(childRect.top == clientOrigin.y);
    CHECK(FindWindowA(kOtherMonitorClassName, nullptr) == nullptr);
    CHECK_FALSE(ScreenSaverRunning());
    saver.reset();
    CHECK_FALSE(ScreenSaverRunning());
    DestroyWindow(pane);
}

TEST_CASE("a class or pane that cannot serve throws its one message")
{
    SUBCASE("the window class is already taken")
    {
        WindowFixture fixture(ModeSaver);
        WNDCLASSEXA taken = {};
        taken.cbSize = sizeof taken;
        taken.lpfnWndProc = DefWindowProcA;
        taken.hInstance = gInstance;
        taken.lpszClassName = "dozozed_udova";
        REQUIRE(RegisterClassExA(&taken));
        std::unique_ptr<Saver> saver;
        CHECK(BuildFailure(saver) == "Failed to register class!");
        CHECK(CountRenderWindows() == 0);
        CHECK(gSaver != nullptr);
    }
    SUBCASE("a preview pane that is no window")
    {
        for (HWND pane : {HWND(nullptr), HWND(0x7654321)}) {
            WindowFixture fixture(ModePreview, pane);
            std::unique_ptr<Saver> saver;
            CHECK(BuildFailure(saver) == "Failed to create window...");
            CHECK(gWindowHandle == nullptr);
            CHECK(fixture.settings.windowHandle == nullptr);
            // The dead object's clock is never read: mouse travel cannot end anything.
            CHECK(SaverSecondsShown() == 0.0);
        }
    }
}

// The later steps are driven on this thread, on a view's window of their own,
// each handed a device context or window that makes the real call fail; one
// window serves all four, since every window costs seconds under Wine.
TEST_CASE("the pixel-format and context steps throw their one message each")
{
    WindowFixture fixture(ModeSaver);
    auto saver = std::make_unique<Saver>();
    GLWindow window({ViewPlacement::Primary, {}, nullptr});
    REQUIRE(window.window);
    window.SetupPixelFormat();
    window.CreateRenderContext();
    const HWND viewWindow = window.window;
    const HDC viewDeviceContext = window.deviceContext;
    const HGLRC renderContext = window.renderContext;

    {
        INFO("no device context to choose a format for");
        const HWND gone = MakePlainWindow();
        DestroyWindow(gone);
        window.window = gone;
        CHECK(StepFailure(&GLWindow::SetupPixelFormat, window) == "Can't find a suitable pixelformat.");
    }
    {
        INFO("a window that already has another pixel format");
        const HWND other = MakePlainWindow();
        const HDC otherContext = GetDC(other);
        PIXELFORMATDESCRIPTOR wanted = {};
        wanted.nSize = sizeof wanted;
        wanted.nVersion = 1;
        wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        wanted.cColorBits = 16;
        wanted.cDepthBits = 16;
        const int chosen = ChoosePixelFormat(otherContext, &wanted);
        const int formats = DescribePixelFormat(otherContext, 1, sizeof wanted, nullptr);
        int different = 0;
        for (int index = 1; index <= formats && !different; ++index) {
            PIXELFORMATDESCRIPTOR candidate = {};
            DescribePixelFormat(otherContext, index, sizeof candidate, &candidate);
            if (index != chosen && (candidate.dwFlags & PFD_SUPPORT_OPENGL) && (candidate.dwFlags & PFD_DRAW_TO_WINDOW))
                different = index;
        }
        REQUIRE(different != 0);
        PIXELFORMATDESCRIPTOR taken = {};
        DescribePixelFormat(otherContext, different, sizeof taken, &taken);
        REQUIRE(SetPixelFormat(otherContext, different, &taken));
        window.window = other;
        CHECK(StepFailure(&GLWindow::SetupPixelFormat, window) == "Can't set the PixelFormat.");
        DestroyWindow(other);
    }
    {
        INFO("a device context without a pixel format");
        const HWND other = MakePlainWindow();
        window.deviceContext = GetDC(other);
        CHECK(StepFailure(&GLWindow::CreateRenderContext, window) == "Can't create a GL Rendering Context.");
        DestroyWindow(other);
    }
    {
        INFO("a context that cannot be made current");
        window.deviceContext = viewDeviceContext;
        gContextCalls.makeCurrent = RefuseActivation;
        CHECK(StepFailure(&GLWindow::CreateRenderContext, window) == "Can't activate GLRC.");
        gContextCalls.makeCurrent = wglMakeCurrent;
        CHECK(window.renderContext != renderContext);
        wglDeleteContext(window.renderContext);
    }

    window.window = viewWindow;
    window.deviceContext = viewDeviceContext;
    window.renderContext = renderContext;
    window.ReleaseRenderContext();
}

TEST_CASE("a window left by a failed set-up asks for no end while the error box waits")
{
    WindowFixture fixture(ModeSaver);
    // Refused on the view's own thread, reported by the saver's constructor.
    gContextCalls.makeCurrent = RefuseActivation;
    std::unique_ptr<Saver> saver;
    CHECK(BuildFailure(saver) == "Can't activate GLRC.");
    gContextCalls.makeCurrent = wglMakeCurrent;
    REQUIRE(IsWindow(gWindowHandle));
    DrainMessages();
    for (UINT message : {UINT(WM_ACTIVATE), UINT(WM_NCACTIVATE), UINT(WM_KEYDOWN), UINT(WM_LBUTTONDOWN), UINT(WM_CLOSE)}) {
        CAPTURE(message);
        CHECK(SendMessageA(gWindowHandle, message, 0, 0) == 0);
        CHECK_FALSE(TakeClose(gWindowHandle));
        CHECK_FALSE(DrainMessages());
    }
}
