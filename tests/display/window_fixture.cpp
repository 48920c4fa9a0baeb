#include "tests/display/window_fixture.h"

#include <doctest/doctest.h>

#include "display/gl_window.h"
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
    char className[64] = {};
    if (IsWindow(gWindowHandle) && GetClassNameA(gWindowHandle, className, sizeof className) &&
        lstrcmpA(className, "dozozed_udova") == 0)
        DestroyWindow(gWindowHandle);
    HWND stray;
    while ((stray = FindWindowA("dozozed_udova", nullptr)) != nullptr)
        DestroyWindow(stray);
    UnregisterClassA("dozozed_udova", gInstance);
    DrainMessages();
    gActiveWindow = nullptr;
}

GLWindow& SharedWindow()
{
    static WindowFixture fixture(ModeSaver);
    static GLWindow window;
    return window;
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
