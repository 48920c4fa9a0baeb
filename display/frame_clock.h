#pragma once
#include <windows.h>

// The three time-source calls of the frame clock. They default to the system's
// QueryPerformanceFrequency, QueryPerformanceCounter and timeGetTime; a test may
// replace them before StartClock, for instance to force the millisecond timer or
// to wrap it.
struct TimeSource {
    BOOL(WINAPI* queryFrequency)(LARGE_INTEGER*);
    BOOL(WINAPI* queryCounter)(LARGE_INTEGER*);
    DWORD(WINAPI* readMilliseconds)();
};
extern TimeSource gTimeSource;
