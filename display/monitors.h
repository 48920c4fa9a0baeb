#pragma once
#include <windows.h>

#include <vector>

// One monitor of the desktop as the saver covers it: its rectangle in physical
// pixels (the saver is per-monitor DPI aware), whether it is the primary one,
// and its refresh rate in hertz, 0 where the system tells none.
struct Monitor {
    RECT area;
    bool primary;
    double refreshHertz;
};

// Every monitor of the desktop, the primary first. The rate is the exact one of
// the display configuration (59.94 rather than 59) where the system has it
// (Windows 7 and later), else the display settings' whole hertz.
std::vector<Monitor> ListMonitors();
// The refresh rate of the monitor that shows most of `window`.
double RefreshRateAt(HWND window);
