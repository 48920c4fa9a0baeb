// Waiting for a window of another process, for the Windows probes of the
// end-to-end tests. The waiting thread handles its own messages meanwhile, so
// that a dialog owned by one of its windows can disable and activate it.
#pragma once

#include <windows.h>

constexpr DWORD kPollMs = 50;

inline void DispatchWaiting()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

inline void PumpFor(DWORD ms)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
        DispatchWaiting();
    }
}

// The top-level window captioned CAPTION once it is there (with shownOnly, once
// it is shown too: a dialog is shown after its controls are set), or nullptr
// after timeoutMs.
inline HWND WaitForWindow(const char* caption, DWORD timeoutMs, bool shownOnly = false)
{
    const DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowA(nullptr, caption);
        if (window && (!shownOnly || IsWindowVisible(window)))
            return window;
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        PumpFor(kPollMs);
    }
}
