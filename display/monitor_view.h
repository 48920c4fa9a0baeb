#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>

#include "display/frame_clock.h"
#include "display/frame_pacer.h"
#include "display/gl_window.h"

// What one monitor does: its window (GLWindow) and, where it draws, a thread of
// its own that makes the OpenGL context on the window, builds the view's
// ParticleScene with its own seed and draws frames paced to the monitor's
// refresh rate (FramePacer), each ticked once on the view's own clock
// (FrameClock). A view that does not draw is a black cover: its window's black
// background, for the choice of one picture only or where the context cannot be
// made. The window is made and its messages are handled on the saver's thread;
// the drawing thread only draws (window: gl_window.cpp; the thread and its
// frames: monitor_view.cpp; pacing: frame_pacer.cpp; clock: frame_clock.cpp).
class MonitorView {
public:
    // Makes the window (GLWindow); nothing draws yet.
    MonitorView(const ViewPlacement& placement, double refreshHertz);
    // Stops the drawing thread and waits for it up to kStopLimitMs. A thread that
    // has not ended by then keeps what it draws with, and ends on its own or
    // with the process.
    ~MonitorView();
    MonitorView(const MonitorView&) = delete;
    MonitorView& operator=(const MonitorView&) = delete;

    // Starts the drawing thread: its scene seeded with `seed`, resting from the
    // start where `rest` is set. False where the view has no window or no thread
    // could be started; it then stays a black cover.
    bool StartDrawing(uint32_t seed, bool rest);
    // Waits up to `limitMs` for the drawing thread's set-up to end, handling the
    // messages sent to this thread's windows meanwhile: true when it has ended,
    // well or not (SetUpFailure tells), false when it is not done yet.
    bool WaitForSetUp(DWORD limitMs);
    // What the set-up threw, once it failed: the view is then a black cover.
    std::exception_ptr SetUpFailure() const;
    bool IsDrawing() const;
    // While resting nothing is drawn and the view's clock stands still; the
    // thread sleeps until the next change, with no timer.
    void SetResting(bool rest);
    void SetRefreshRate(double hertz);
    // Asks the drawing thread to end after its frame.
    void StopDrawing();
    // Stops the drawing and waits for the thread up to `limitMs`, handling sent
    // messages meanwhile; true once it has ended (at once where none ran).
    bool JoinDrawing(DWORD limitMs);

    HWND Window() const;

    ViewPlacement placement;

    // The drawing thread's state, which the thread holds on to until it ends.
    struct Drawing {
        explicit Drawing(const ViewPlacement& placement) : window(placement) {}
        ~Drawing();
        void Draw();
        // Waits for the next frame's time and ticks the clock; false once the
        // view is to stop.
        bool NextFrame();

        GLWindow window;
        FrameClock clock{gTimeSource};
        FramePacer pacer;
        uint32_t seed = 0;
        // Shared with the saver's thread.
        std::atomic<bool> stopping{false};
        std::atomic<bool> resting{false};
        // Thousandths of a hertz: one word both threads may read and write.
        std::atomic<uint32_t> refreshMilliHertz{0};
        std::atomic<bool> failed{false};
        std::exception_ptr failure;  // written before setUpDone is set
        HANDLE wake = nullptr;       // auto-reset: a stop or a rest to look at
        HANDLE setUpDone = nullptr;  // manual-reset: drawing, or failed
    };
    std::shared_ptr<Drawing> drawing;
    HANDLE drawingThread = nullptr;
};

// How long the saver waits for a view's thread to end after asking it to.
constexpr DWORD kStopLimitMs = 1000;
