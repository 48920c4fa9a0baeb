#pragma once
#include <windows.h>

#include <cstdint>
#include <exception>
#include <memory>

#include "display/gl_window.h"
#include "shell/saver_settings.h"

// What one monitor does: its window (GLWindow) and, where it draws, a thread of
// its own that makes the OpenGL context on the window, builds the view's
// ParticleScene with its own seed and draws frames paced to the monitor's
// refresh rate (FramePacer), each ticked once on the view's own clock
// (FrameClock). A view that does not draw is a black cover: its window's black
// background, for the choice of one picture only or where the context cannot be
// made. The window is made and its messages are handled on the saver's thread;
// the drawing thread only draws (window: gl_window.cpp; the thread and its
// frames: monitor_view.cpp; pacing: frame_pacer.cpp; clock: frame_clock.cpp).
// Every call but the drawing thread's own is the saver thread's.
class MonitorView {
public:
    // Makes the window (GLWindow); nothing draws yet.
    MonitorView(const ViewPlacement& placement, double refreshHertz);
    // Asks the drawing thread to stop and waits for nothing: WaitForEnd waits.
    // A thread that is still running keeps what it draws with (the window's
    // object, its context and its scene) and releases it when it ends.
    ~MonitorView();
    MonitorView(const MonitorView&) = delete;
    MonitorView& operator=(const MonitorView&) = delete;

    // Starts the drawing thread: its scene seeded with `seed` and made with what
    // it needs of `settings`, copied now, so that the thread never reads the
    // record. False where the view has no window or no thread could be started;
    // it then stays a black cover.
    bool StartDrawing(uint32_t seed, const SaverSettings& settings);
    // Waits up to `limitMs` for the drawing thread's set-up to end, handling the
    // messages sent to this thread's windows meanwhile: true when it has ended,
    // well or not (SetUpFailure tells), false when it is not done yet.
    bool WaitForSetUp(DWORD limitMs);
    // What the set-up threw, once it failed: the view is then a black cover.
    std::exception_ptr SetUpFailure() const;
    bool IsDrawing() const;

    // While resting nothing is drawn and the view's clock stands still; the
    // thread sleeps until the next change, with no timer. With `black` the view
    // shows black meanwhile, else its last frame stays. Any time, before the
    // thread starts too.
    void SetResting(bool rest, bool black);
    bool IsResting() const;
    void SetRefreshRate(double hertz);
    // A frame every `refreshes` refreshes of the monitor (1, or 2 to save power).
    void SetRefreshesPerFrame(uint32_t refreshes);
    uint32_t RefreshesPerFrame() const;

    // Asks the drawing thread to end after its frame.
    void StopDrawing();
    // Waits for the drawing thread to end until `deadline` (a GetTickCount
    // reading), handling sent messages meanwhile: true once it has ended (at
    // once where none ran), false when the deadline came first.
    bool WaitForEnd(DWORD deadline);

    HWND Window() const;

    const ViewPlacement placement;

private:
    // The drawing thread's state, which the thread holds on to until it ends
    // (monitor_view.cpp).
    struct Drawing;
    static DWORD WINAPI DrawingThread(void* state);

    std::shared_ptr<Drawing> drawing;
    HANDLE drawingThread = nullptr;
};

// How long the saver waits for its views' threads to end after asking them to:
// one deadline for all the views that end together.
constexpr DWORD kStopLimitMs = 1000;
