#pragma once
#include <windows.h>

#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

// What the entry gives a saver before it is built: the module, the mode, the
// settings record and the pane (or none). The window tests build several savers
// in one process, which the saver never does; between them ForgetWindow
// destroys the saver's windows, unregisters the class, drops every queued
// message (the quit message that WM_DESTROY posts included) and clears the guard.
struct WindowFixture {
    explicit WindowFixture(SaverMode mode, HWND pane = nullptr);
    ~WindowFixture();

    SaverSettings settings;
};

void ForgetWindow();

class Saver;
// One full-screen saver built on first use and kept for the rest of the test
// program, for the tests that only need its live windows.
Saver& SharedSaver();

// A context with the saver's pixel format, current on the calling thread, on a
// popup of its own of the given size: for drawing a scene without a saver.
struct TestContext {
    TestContext(int width, int height);
    ~TestContext();
    HWND window = nullptr;
    HDC deviceContext = nullptr;
    HGLRC renderContext = nullptr;
};

// Removes and dispatches everything queued for this thread; true when the quit
// message was among it.
bool DrainMessages();

// True when a WM_CLOSE waits for the window; removes it.
bool TakeClose(HWND window);
