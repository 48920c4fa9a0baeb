#pragma once
#include <cstdint>

// When the next frame may start: one frame's refresh periods (one, or more to
// save power) after the previous frame started, aimed a little early so that
// where SwapBuffers itself waits for the display (at a swap interval of as many
// refreshes), the display's wait decides and no refresh is skipped. A late
// frame only moves the next one on: frames never hurry to catch up. Seconds are
// any steady clock's; portable, no window needed.
class FramePacing {
public:
    // 1 Hz and less (0 is the hardware's default rate) count as 60 Hz; a frame
    // every `refreshesPerFrame` refreshes (0 counts as 1).
    void SetRefreshRate(double hertz, uint32_t refreshesPerFrame = 1);
    // The seconds until the next frame may start, 0 when it may start now. A
    // clock that went back (reset) makes it due at once.
    double SecondsUntilFrame(double now) const;
    // Marks a frame as started at `now`.
    void StartFrame(double now);

    double aim = 0;  // the seconds from one frame's start to the next's
    double lastStart = 0;
    bool started = false;
};

// The refresh rate assumed where the system reports none.
constexpr double kDefaultRefreshHertz = 60;
// The share of its last refresh period that a frame waits after the previous one.
constexpr double kEarlyAim = 0.95;
