// Frames paced to the display. Implemented: the refresh rate of the monitor the
// window is on (read again on WM_DISPLAYCHANGE), swap interval 1 where the
// driver offers it, and a wait between frames on a waitable timer beside the
// message queue, so that a message ends the wait at once. The timer is a
// high-resolution one where the system has it (Windows 10 1803 and later);
// elsewhere the multimedia timer's 1 ms period makes the ordinary one precise
// enough, and is given back while the saver rests. Not done here: the rule of
// when a frame is due (frame_pacing.cpp).
#include "display/gl_window.h"

#include <mmsystem.h>

#include "shell/globals.h"

namespace {

constexpr DWORD kHighResolutionTimer = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr DWORD kTimerAllAccess = 0x001F0003;       // TIMER_ALL_ACCESS
constexpr UINT kFineTimerPeriodMs = 1;
constexpr double kTimerUnitsPerSecond = 1e7;  // a waitable timer counts in 100 ns

using CreateTimerExCall = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD);
using SwapIntervalCall = BOOL(WINAPI*)(int);

// A high-resolution timer where the system makes one; else an ordinary one,
// with `fine` set to ask for the multimedia timer's period.
HANDLE CreateFrameTimer(bool& fine)
{
    fine = false;
    const HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    const auto createEx =
        kernel32 ? reinterpret_cast<CreateTimerExCall>(reinterpret_cast<void*>(GetProcAddress(kernel32, "CreateWaitableTimerExW"))) : nullptr;
    if (createEx) {
        if (HANDLE timer = createEx(nullptr, nullptr, kHighResolutionTimer, kTimerAllAccess))
            return timer;
    }
    fine = true;
    return CreateWaitableTimerA(nullptr, FALSE, nullptr);
}

}  // namespace

double SteadySeconds()
{
    LARGE_INTEGER frequency, reading;
    if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0 && QueryPerformanceCounter(&reading))
        return static_cast<double>(reading.QuadPart) / static_cast<double>(frequency.QuadPart);
    return GetTickCount() * 0.001;
}

void GLWindow::StartPacing()
{
    // The driver may still override it; the wait below paces frames either way.
    const auto swapInterval = reinterpret_cast<SwapIntervalCall>(reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
    if (swapInterval)
        swapInterval(1);
    ReadRefreshRate();
    frameTimer = CreateFrameTimer(fineTimerWanted);
    SetFineTimerPeriod(!IsResting());
}

void GLWindow::StopPacing()
{
    SetFineTimerPeriod(false);
    if (frameTimer)
        CloseHandle(frameTimer);
    frameTimer = nullptr;
}

void GLWindow::SetFineTimerPeriod(bool fine)
{
    fine = fine && fineTimerWanted;
    if (fine == fineTimerOn)
        return;
    if (fine ? timeBeginPeriod(kFineTimerPeriodMs) == TIMERR_NOERROR : timeEndPeriod(kFineTimerPeriodMs) == TIMERR_NOERROR)
        fineTimerOn = fine;
}

void GLWindow::ReadRefreshRate()
{
    unsigned hertz = 0;
    MONITORINFOEXA monitor = {};
    monitor.cbSize = sizeof monitor;
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    const HMONITOR handle = MonitorFromWindow(gWindowHandle, MONITOR_DEFAULTTOPRIMARY);
    if (handle && GetMonitorInfoA(handle, &monitor) && EnumDisplaySettingsA(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode))
        hertz = mode.dmDisplayFrequency;
    pacing.SetRefreshRate(hertz);
}

bool GLWindow::WaitForFrame()
{
    const double wait = pacing.SecondsUntilFrame(SteadySeconds());
    if (wait > 0) {
        // Without a timer the wait falls back on the message wait's own limit.
        DWORD count = 0;
        HANDLE handles[1] = {frameTimer};
        DWORD limit = static_cast<DWORD>(wait * 1000) + 1;
        LARGE_INTEGER due;
        due.QuadPart = -static_cast<LONGLONG>(wait * kTimerUnitsPerSecond);  // negative: relative
        if (frameTimer && SetWaitableTimer(frameTimer, &due, 0, nullptr, nullptr, FALSE)) {
            count = 1;
            limit = INFINITE;
        }
        const DWORD woke = MsgWaitForMultipleObjectsEx(count, handles, limit, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 + count) {
            const double left = pacing.SecondsUntilFrame(SteadySeconds());
            if (left > 0)
                return false;  // a message first; the next step handles it
        }
    }
    pacing.StartFrame(SteadySeconds());
    return true;
}
