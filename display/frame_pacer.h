#pragma once
#include <cstdint>

#include "display/frame_clock.h"
#include "display/frame_pacing.h"

// A view's frames paced to its monitor, on the thread that draws it: a swap
// interval of a frame's refreshes where the driver offers one, and a wait
// between frames on a waitable timer. The timer is a high-resolution one where the system has it
// (Windows 10 1803 and later); elsewhere the multimedia timer's 1 ms period
// makes the ordinary one precise enough, asked for while the view draws and
// given back while it rests. It owns the timer, so it is not copied.
class FramePacer {
public:
    FramePacer() = default;
    ~FramePacer();
    FramePacer(const FramePacer&) = delete;
    FramePacer& operator=(const FramePacer&) = delete;

    // Asks the current context for swap interval 1 and makes the timer.
    void Start(bool resting);
    // A frame every `refreshesPerFrame` refreshes of a monitor of `hertz`: the
    // pacing's aim and, where it changes, the swap interval.
    void Pace(double hertz, uint32_t refreshesPerFrame);
    // Waits until the next frame may start by `clock`, or until `wake` (an
    // event handle) is set: true when the frame is due, false when woken first.
    bool WaitForFrame(FrameClock& clock, void* wake);
    void SetFineTimerPeriod(bool fine);

    FramePacing pacing;
    void* swapInterval = nullptr;  // wglSwapIntervalEXT, where the driver has it
    uint32_t swapRefreshes = 1;
    void* frameTimer = nullptr;    // HANDLE of a waitable timer
    bool fineTimerWanted = false;  // no high-resolution timer: timeBeginPeriod(1) while drawing
    bool fineTimerOn = false;
};
