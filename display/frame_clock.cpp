#include "display/frame_clock.h"

namespace {
constexpr double kSecondsPerMillisecond = 0.001;
}  // namespace

void FrameClock::Start()
{
    int64_t frequency = 0;
    usePerformanceCounter = source.counterFrequency(frequency) && frequency > 0;
    if (usePerformanceCounter) {
        secondsPerTick = 1.0 / static_cast<double>(frequency);
        startCounter = source.counter();
    } else {
        secondsPerTick = kSecondsPerMillisecond;
        startMilliseconds = source.milliseconds();
        lastMilliseconds = startMilliseconds;
        countedMilliseconds = 0;
    }
    baseSeconds = 0;
    seconds = 0;
    elapsed = 0;
}

double FrameClock::Read()
{
    if (usePerformanceCounter)
        return static_cast<double>(source.counter() - startCounter) * secondsPerTick;
    // Unsigned subtraction: a wrap of the timer between two readings still gives
    // the true span, and the running count goes on past it. Readings come once a
    // frame, far more often than the 49.7 days that one span can measure.
    const uint32_t milliseconds = source.milliseconds();
    countedMilliseconds += milliseconds - lastMilliseconds;
    lastMilliseconds = milliseconds;
    return static_cast<double>(countedMilliseconds) * secondsPerTick;
}

void FrameClock::Tick()
{
    seconds = Read();
    if (!resting)
        elapsed = seconds - baseSeconds;
}

void FrameClock::Rest()
{
    resting = true;
}

void FrameClock::Wake()
{
    // However long the rest, the next tick goes on from the elapsed it rested at.
    if (resting)
        baseSeconds = Read() - elapsed;
    resting = false;
}
