// The frame clock of GLWindow: seconds since StartClock, refreshed by one Tick per
// frame. The performance counter is preferred; without one the millisecond
// multimedia timer serves. Readings stay integers until the difference from the
// start reading is taken, and become float seconds only then.
#include "display/frame_clock.h"

#include <mmsystem.h>

#include "display/gl_window.h"

TimeSource gTimeSource = {QueryPerformanceFrequency, QueryPerformanceCounter, timeGetTime};

namespace {

constexpr float kSecondsPerMillisecond = 0.001f;

}  // namespace

void GLWindow::StartClock()
{
    counterFrequency = 0;
    secondsPerTick = 0;
    usePerformanceCounter = false;
    startCounter = 0;
    startMilliseconds = 0;
    baseSeconds = 0;
    elapsed = 0;

    LARGE_INTEGER reading;
    if (gTimeSource.queryFrequency(&reading) && reading.QuadPart > 0) {
        counterFrequency = reading.QuadPart;
        gTimeSource.queryCounter(&reading);
        startCounter = reading.QuadPart;
        usePerformanceCounter = true;
        secondsPerTick = static_cast<float>(1.0 / static_cast<double>(counterFrequency));
    } else {
        startMilliseconds = gTimeSource.readMilliseconds();
        secondsPerTick = kSecondsPerMillisecond;
        usePerformanceCounter = false;
    }
    ResetClock();
    clockRunning = true;
}

float GLWindow::ReadClock()
{
    if (usePerformanceCounter) {
        LARGE_INTEGER reading;
        gTimeSource.queryCounter(&reading);
        const int64_t ticks = reading.QuadPart - startCounter;
        return static_cast<float>(static_cast<double>(ticks) * secondsPerTick);
    }
    // Unsigned subtraction: a wrap of the timer between the two readings still
    // gives the true span.
    const uint32_t milliseconds = gTimeSource.readMilliseconds() - startMilliseconds;
    return static_cast<float>(static_cast<double>(milliseconds) * secondsPerTick);
}

void GLWindow::ResetClock()
{
    baseSeconds = ReadClock();
    elapsed = 0;
}

void GLWindow::StopClock()
{
    clockRunning = false;
    ResetClock();
}

void GLWindow::Tick()
{
    if (!clockRunning)
        return;
    elapsed = static_cast<float>(static_cast<double>(ReadClock()) - static_cast<double>(baseSeconds));
}
