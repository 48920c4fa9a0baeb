#pragma once
#include <windows.h>

#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

// What the entry gives a render window before it is built: the module, the mode,
// the settings record and the pane (or none). The window tests build several
// windows in one process, which the saver never does; between them ForgetWindow
// destroys the last render window, unregisters its class, drops every queued
// message (the quit message that WM_DESTROY posts included) and clears the guard.
struct WindowFixture {
    explicit WindowFixture(SaverMode mode, HWND pane = nullptr);
    ~WindowFixture();

    SaverSettings settings;
};

void ForgetWindow();

class GLWindow;
// One full-screen render window built on first use and kept for the rest of the
// test program, for the tests that only need a live window and its clock.
GLWindow& SharedWindow();

// Removes and dispatches everything queued for this thread; true when the quit
// message was among it.
bool DrainMessages();

// True when a WM_CLOSE waits for the window; removes it.
bool TakeClose(HWND window);
