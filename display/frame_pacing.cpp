#include "display/frame_pacing.h"

void FramePacing::SetRefreshRate(double hertz)
{
    if (!(hertz > 1))
        hertz = kDefaultRefreshHertz;
    aim = kEarlyAim / hertz;
}

double FramePacing::SecondsUntilFrame(double now) const
{
    if (!started || now < lastStart)
        return 0;
    const double due = lastStart + aim;
    return now < due ? due - now : 0;
}

void FramePacing::StartFrame(double now)
{
    lastStart = now;
    started = true;
}
