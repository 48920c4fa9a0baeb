#pragma once
#include <windows.h>

#include <cstdint>

#include "display/frame_pacing.h"

// The render window with its OpenGL context, the frame clock and the per-frame
// message pump (window and context: gl_window.cpp; clock: frame_clock.cpp; pump:
// message_pump.cpp; frame pacing: frame_pacer.cpp; rest: rest.cpp; its
// procedure: window_proc.cpp). The constructor leaves the window shown and
// focused, the context current on the calling thread, the clock running and the
// music playing when enabled; it throws Exception on any failure. At most one
// exists per process: the guard is gActiveWindow, which nothing clears.
// gSettings must point at a live record while a GLWindow is built, used and
// destroyed.
class GLWindow {
public:
    GLWindow();
    // Stops music and clock, releases both contexts and, in ModeSaver, clears the
    // system's screen-saver-running flag. The window and its class outlive it.
    virtual ~GLWindow();
    // It owns a device context, a rendering context and a notification handle:
    // one owner each, so it is not copied.
    GLWindow(const GLWindow&) = delete;
    GLWindow& operator=(const GLWindow&) = delete;

    // Construction steps: the constructor calls CreateRenderWindow, which calls the other two.
    void CreateRenderWindow();
    void SetupPixelFormat();
    void CreateRenderContext();

    // Frame clock: elapsed is refreshed by Tick, once per pump step. Seconds are
    // doubles, so that a frame's step keeps microsecond resolution however long
    // the saver has been running. While the clock rests, ticks change nothing;
    // WakeClock goes on from the elapsed it rested at, so time spent resting is
    // no animation time.
    void StartClock();
    void Tick();
    void StopClock();
    void ResetClock();
    double ReadClock();
    void RestClock();
    void WakeClock();

    // One step of the frame loop: ticks the clock, then handles at most one waiting
    // message. It never waits while the picture can be seen; while the saver
    // rests it waits for the next message instead (a hidden preview looks again
    // a few times a second). False once the quit message has been retrieved.
    bool PumpMessage();

    // Frame pacing: frames start one refresh period of the window's monitor
    // apart (a little less, see FramePacing). StartPacing asks the driver for
    // swap interval 1 and makes the timer that WaitForFrame waits on; where the
    // system has no high-resolution timer, the multimedia timer runs at 1 ms
    // while the saver is awake. WaitForFrame waits for the next frame's time or
    // the next message, whichever comes first: true when the frame is due,
    // which it also marks as started; false when a message came first.
    void StartPacing();
    void StopPacing();
    void ReadRefreshRate();
    bool WaitForFrame();
    void SetFineTimerPeriod(bool fine);

    // Resting while nobody can see the picture: the display is off, the computer
    // sleeps, or the preview's pane is hidden. Nothing is drawn, and the clock
    // and the music stand still until the last reason goes.
    enum RestReason : uint32_t { RestDisplayOff = 1, RestAsleep = 2, RestPreviewHidden = 4 };
    bool IsResting() const { return restReasons != 0; }
    void SetRestReason(RestReason reason, bool holds);
    // WM_POWERBROADCAST: display state changes, suspend and resume.
    void OnPowerBroadcast(WPARAM event, LPARAM data);
    // In ModePreview: rests while the pane or its top-level window cannot be seen.
    void CheckPreviewVisible();
    // Display-state notifications for the render window; where the system has
    // none to give, the display counts as always on.
    void RegisterDisplayNotifications();
    void UnregisterDisplayNotifications();

    int32_t width = 0;
    int32_t height = 0;
    uint32_t colorDepth = 0;
    HGLRC renderContext = nullptr;
    HDC deviceContext = nullptr;
    MSG currentMessage = {};

    // Clock fields; zero until StartClock, so a window whose construction failed
    // reads as a clock at 0 s.
    int64_t counterFrequency = 0;
    double secondsPerTick = 0;
    bool usePerformanceCounter = false;
    int64_t startCounter = 0;
    uint32_t startMilliseconds = 0;
    // The millisecond timer wraps every 49.7 days: its readings are summed up
    // one span at a time into a count that does not.
    uint32_t lastMilliseconds = 0;
    uint64_t countedMilliseconds = 0;
    double baseSeconds = 0;
    double elapsed = 0;
    bool clockRunning = false;
    bool clockResting = false;

    FramePacing pacing;
    void* frameTimer = nullptr;  // HANDLE of a waitable timer
    bool fineTimerWanted = false;  // no high-resolution timer: timeBeginPeriod(1) while awake
    bool fineTimerOn = false;
    // When the window came up, in SteadySeconds: the mouse grace counts from
    // there, whatever the frame clock does.
    double shownAt = 0;

    uint32_t restReasons = 0;
    void* displayNotification = nullptr;  // HPOWERNOTIFY
};

// The one GLWindow; set by its constructor and never cleared.
extern GLWindow* gActiveWindow;

// True from the start of the GLWindow constructor until its destructor; false
// before any window, once its construction has failed, and after destruction,
// when gActiveWindow still points at the dead object's memory.
bool ActiveWindowAlive();
// The active window's elapsed seconds while that object is alive, else 0.
double ActiveWindowElapsed();
// The seconds since the active window came up while that object is alive,
// else 0; unlike elapsed, it goes on while the saver rests.
double ActiveWindowSecondsShown();

// Seconds on the performance counter (the millisecond tick count where there is
// none), which runs on while the saver rests: pacing and the mouse grace.
double SteadySeconds();

// The two context calls, replaceable so that a test can make activation fail;
// they default to wglCreateContext and wglMakeCurrent.
struct ContextCalls {
    HGLRC(WINAPI* createContext)(HDC);
    BOOL(WINAPI* makeCurrent)(HDC, HGLRC);
};
extern ContextCalls gContextCalls;
