// The frame clock of GLWindow: seconds since StartClock, refreshed by one Tick per
// frame. The performance counter is preferred; without one the millisecond
// multimedia timer serves. Readings stay integers until the difference from the
// start reading is taken, and become seconds as doubles only then: a float of
// seconds since the start would step in 2^-9 s after eight hours of running and
// in a quarter second after a month.
#include "display/frame_clock.h"

#include <mmsystem.h>

#include "display/gl_window.h"

TimeSource gTimeSource = {QueryPerformanceFrequency, QueryPerformanceCounter, timeGetTime};

namespace {

constexpr double kSecondsPerMillisecond = 0.001;

}  // namespace

void GLWindow::StartClock()
{
    counterFrequency = 0;
    secondsPerTick = 0;
    usePerformanceCounter = false;
    startCounter = 0;
    startMilliseconds = 0;
    lastMilliseconds = 0;
    countedMilliseconds = 0;
    baseSeconds = 0;
    elapsed = 0;
    // In step with the window: a clock started while the window rests rests too.
    clockResting = IsResting();

    LARGE_INTEGER reading;
    if (gTimeSource.queryFrequency(&reading) && reading.QuadPart > 0) {
        counterFrequency = reading.QuadPart;
        gTimeSource.queryCounter(&reading);
        startCounter = reading.QuadPart;
        usePerformanceCounter = true;
        secondsPerTick = 1.0 / static_cast<double>(counterFrequency);
    } else {
        startMilliseconds = gTimeSource.readMilliseconds();
        lastMilliseconds = startMilliseconds;
        secondsPerTick = kSecondsPerMillisecond;
        usePerformanceCounter = false;
    }
    ResetClock();
    clockRunning = true;
}

double GLWindow::ReadClock()
{
    if (usePerformanceCounter) {
        LARGE_INTEGER reading;
        gTimeSource.queryCounter(&reading);
        const int64_t ticks = reading.QuadPart - startCounter;
        return static_cast<double>(ticks) * secondsPerTick;
    }
    // Unsigned subtraction: a wrap of the timer between two readings still gives
    // the true span, and the running count goes on past it. Readings come once a
    // frame, far more often than the 49.7 days that one span can measure.
    const uint32_t milliseconds = gTimeSource.readMilliseconds();
    countedMilliseconds += milliseconds - lastMilliseconds;
    lastMilliseconds = milliseconds;
    return static_cast<double>(countedMilliseconds) * secondsPerTick;
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

void GLWindow::RestClock()
{
    clockResting = true;
}

void GLWindow::WakeClock()
{
    // However long the rest, the next tick goes on from the elapsed it rested
    // at: a timer that wrapped meanwhile only loses time that does not count.
    if (clockResting && clockRunning)
        baseSeconds = ReadClock() - elapsed;
    clockResting = false;
}

void GLWindow::Tick()
{
    if (!clockRunning || clockResting)
        return;
    elapsed = ReadClock() - baseSeconds;
}
