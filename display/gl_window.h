#pragma once
#include <windows.h>

#include <cstdint>

// The render window with its OpenGL context, the frame clock and the per-frame
// message pump. Window and context: gl_window.cpp; clock: frame_clock.cpp;
// pump: message_pump.cpp; its procedure: window_proc.cpp. The constructor leaves the window shown and focused, the context
// current on the calling thread, the clock running and the music playing when
// enabled; it throws Exception on any failure. At most one exists per process:
// the guard is gActiveWindow, which nothing clears. gSettings must point at a
// live record while a GLWindow is built, used and destroyed.
class GLWindow {
public:
    GLWindow();
    // Stops music and clock, releases both contexts and, in ModeSaver, clears the
    // system's screen-saver-running flag. The window and its class outlive it.
    virtual ~GLWindow();

    // Construction steps: the constructor calls CreateRenderWindow, which calls the other two.
    void CreateRenderWindow();
    void SetupPixelFormat();
    void CreateRenderContext();

    // Frame clock: elapsed is refreshed by Tick, once per pump step.
    // Seconds are doubles, so that a frame's step keeps microsecond resolution
    // however long the saver has been running.
    void StartClock();
    void Tick();
    void StopClock();
    void ResetClock();
    double ReadClock();

    // One step of the frame loop: ticks the clock, then handles at most one waiting
    // message without ever waiting. False once the quit message has been retrieved.
    bool PumpMessage();

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
};

// The one GLWindow; set by its constructor and never cleared.
extern GLWindow* gActiveWindow;

// True from the start of the GLWindow constructor until its destructor; false
// before any window, once its construction has failed, and after destruction,
// when gActiveWindow still points at the dead object's memory.
bool ActiveWindowAlive();
// The active window's elapsed seconds while that object is alive, else 0.
double ActiveWindowElapsed();

// The two context calls, replaceable so that a test can make activation fail;
// they default to wglCreateContext and wglMakeCurrent.
struct ContextCalls {
    HGLRC(WINAPI* createContext)(HDC);
    BOOL(WINAPI* makeCurrent)(HDC, HGLRC);
};
extern ContextCalls gContextCalls;
