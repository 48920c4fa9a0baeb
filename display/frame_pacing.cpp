#include "display/frame_pacing.h"

void FramePacing::SetRefreshRate(double hertz, uint32_t refreshesPerFrame)
{
    if (!(hertz > 1))
        hertz = kDefaultRefreshHertz;
    const uint32_t refreshes = refreshesPerFrame > 1 ? refreshesPerFrame : 1;
    aim = (refreshes - 1 + kEarlyAim) / hertz;
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
