#include "tests/display/window_fixture.h"

#include <doctest/doctest.h>

#include "display/gl_window.h"
#include "display/saver.h"
#include "shell/exception.h"
#include "shell/globals.h"

REGISTER_EXCEPTION_TRANSLATOR(Exception& failure) { return failure.message; }

WindowFixture::WindowFixture(SaverMode mode, HWND pane)
{
    ForgetWindow();
    gInstance = GetModuleHandleA(nullptr);
    gMode = mode;
    gWindowHandle = pane;
    gSettings = &settings;
}

WindowFixture::~WindowFixture()
{
    ForgetWindow();
    gSettings = nullptr;
}

void ForgetWindow()
{
    for (const char* className : {kWindowClassName, kOtherMonitorClassName}) {
        HWND stray;
        while ((stray = FindWindowA(className, nullptr)) != nullptr)
            DestroyWindow(stray);
    }
    UnregisterClassA(kWindowClassName, gInstance);
    DrainMessages();
    gSaver = nullptr;
}

Saver& SharedSaver()
{
    static WindowFixture fixture(ModeSaver);
    static Saver saver;
    return saver;
}

TestContext::TestContext(int width, int height)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "test_context";
    RegisterClassA(&windowClass);
    window = CreateWindowExA(0, "test_context", "", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                             windowClass.hInstance, nullptr);
    deviceContext = GetDC(window);
    REQUIRE(SetSaverPixelFormat(deviceContext, kSaverColorDepth) == nullptr);
    renderContext = wglCreateContext(deviceContext);
    REQUIRE(wglMakeCurrent(deviceContext, renderContext));
}

TestContext::~TestContext()
{
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(renderContext);
    ReleaseDC(window, deviceContext);
    DestroyWindow(window);
}

bool DrainMessages()
{
    bool quit = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            quit = true;
        else
            DispatchMessageA(&message);
    }
    return quit;
}

bool TakeClose(HWND window)
{
    MSG message;
    return PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
}
