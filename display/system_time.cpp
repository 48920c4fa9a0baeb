// The system's time source for the clocks: the performance counter, and the
// multimedia timer where there is none.
#include <windows.h>
#include <mmsystem.h>

#include "display/frame_clock.h"

namespace {

bool CounterFrequency(int64_t& ticksPerSecond)
{
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency))
        return false;
    ticksPerSecond = frequency.QuadPart;
    return true;
}

int64_t Counter()
{
    LARGE_INTEGER reading;
    QueryPerformanceCounter(&reading);
    return reading.QuadPart;
}

uint32_t Milliseconds()
{
    return timeGetTime();
}

}  // namespace

const TimeSource gTimeSource = {CounterFrequency, Counter, Milliseconds};
