// Frames paced to the display. Implemented: the swap interval, a waitable timer
// (high-resolution where the system makes one) beside the view's wake event, so
// that a stop or a rest ends the wait at once, and the multimedia timer's fine
// period where the timer is an ordinary one. Not done here: the rule of when a
// frame is due (frame_pacing.cpp) and the monitor's rate (monitors.cpp).
#include "display/frame_pacer.h"

#include <windows.h>
#include <mmsystem.h>

#include "display/system_call.h"

namespace {

constexpr DWORD kHighResolutionTimer = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
constexpr DWORD kTimerAllAccess = 0x001F0003;       // TIMER_ALL_ACCESS
constexpr UINT kFineTimerPeriodMs = 1;
constexpr double kTimerUnitsPerSecond = 1e7;  // a waitable timer counts in 100 ns
// Beyond the frame's time, how long a wait may last should the timer not fire.
constexpr DWORD kSpareWaitMs = 50;

using CreateTimerExCall = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD);
using SwapIntervalCall = BOOL(WINAPI*)(int);

// A high-resolution timer where the system makes one; else an ordinary one,
// with `fine` set to ask for the multimedia timer's period.
HANDLE CreateFrameTimer(bool& fine)
{
    fine = false;
    const auto createEx = SystemCall<CreateTimerExCall>("kernel32.dll", "CreateWaitableTimerExW");
    if (createEx) {
        if (HANDLE timer = createEx(nullptr, nullptr, kHighResolutionTimer, kTimerAllAccess))
            return timer;
    }
    fine = true;
    return CreateWaitableTimerA(nullptr, FALSE, nullptr);
}

}  // namespace

void FramePacer::Start(bool resting)
{
    // The driver may still override it; the wait below paces frames either way.
    swapInterval = reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT"));
    if (swapInterval)
        reinterpret_cast<SwapIntervalCall>(swapInterval)(1);
    swapRefreshes = 1;
    frameTimer = CreateFrameTimer(fineTimerWanted);
    SetFineTimerPeriod(!resting);
}

void FramePacer::Pace(double hertz, uint32_t refreshesPerFrame)
{
    pacing.SetRefreshRate(hertz, refreshesPerFrame);
    // Where the swap waits for the display, it waits for as many refreshes,
    // so that the frames come evenly.
    if (swapInterval && refreshesPerFrame != swapRefreshes) {
        reinterpret_cast<SwapIntervalCall>(swapInterval)(static_cast<int>(refreshesPerFrame));
        swapRefreshes = refreshesPerFrame;
    }
}

FramePacer::~FramePacer()
{
    SetFineTimerPeriod(false);
    if (frameTimer)
        CloseHandle(frameTimer);
}

void FramePacer::SetFineTimerPeriod(bool fine)
{
    fine = fine && fineTimerWanted;
    if (fine == fineTimerOn)
        return;
    if (fine ? timeBeginPeriod(kFineTimerPeriodMs) == TIMERR_NOERROR : timeEndPeriod(kFineTimerPeriodMs) == TIMERR_NOERROR)
        fineTimerOn = fine;
}

bool FramePacer::WaitForFrame(FrameClock& clock, void* wake)
{
    const double wait = pacing.SecondsUntilFrame(clock.Read());
    if (wait <= 0)
        return true;
    // Without a timer the wait's own limit keeps the time.
    HANDLE handles[2] = {wake, frameTimer};
    DWORD count = 1;
    DWORD limit = static_cast<DWORD>(wait * 1000) + 1;
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(wait * kTimerUnitsPerSecond);  // negative: relative
    if (frameTimer && SetWaitableTimer(frameTimer, &due, 0, nullptr, nullptr, FALSE)) {
        count = 2;
        limit += kSpareWaitMs;
    }
    if (WaitForMultipleObjects(count, handles, FALSE, limit) == WAIT_OBJECT_0)
        return false;
    return pacing.SecondsUntilFrame(clock.Read()) <= 0;
}
