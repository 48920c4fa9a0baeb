// One monitor's view: its window, and the thread that draws it. The thread makes
// its own OpenGL context on the window, builds its scene, and draws one frame
// each time its pacing says, ticking its clock once per frame; it rests on the
// saver's word and ends on it, releasing its context before the window can go.
#include "display/monitor_view.h"

#include <atomic>

// mingw's GL/gl.h relies on the calling-convention macros of windows.h.
#include <windows.h>
#include <GL/gl.h>

#include "display/frame_clock.h"
#include "display/frame_pacer.h"
#include "effect/particle_scene.h"

struct MonitorView::Drawing {
    explicit Drawing(const ViewPlacement& placement)
        : window(placement),
          wake(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
          setUpDone(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
    }
    ~Drawing();
    Drawing(const Drawing&) = delete;
    Drawing& operator=(const Drawing&) = delete;

    void Draw();
    // Waits for the next frame's time and ticks the clock; false once the
    // view is to stop.
    bool NextFrame();
    void ShowBlack();

    GLWindow window;
    SaverSettings settings;  // the saver's, as they were when the thread started
    FrameClock clock{gTimeSource};
    FramePacer pacer;
    uint32_t seed = 0;
    // Shared with the saver's thread.
    std::atomic<bool> stopping{false};
    std::atomic<bool> resting{false};
    std::atomic<bool> restBlack{false};
    // Thousandths of a hertz: one word both threads may read and write.
    std::atomic<uint32_t> refreshMilliHertz{0};
    std::atomic<uint32_t> refreshesPerFrame{1};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;  // written before setUpDone is set
    bool shownBlack = false;     // the drawing thread's own
    const HANDLE wake;           // auto-reset: a stop or a rest to look at
    const HANDLE setUpDone;      // manual-reset: drawing, or failed
};

namespace {

// Waits for `handle` until `deadline` (a GetTickCount reading), handling
// meanwhile the messages that other threads send to this thread's windows (a
// drawing thread's calls on its window may send some), but none of the posted
// ones, which wait for the pump. Whatever those messages reach must be whole
// while this waits.
bool WaitHandlingSent(HANDLE handle, DWORD deadline)
{
    for (;;) {
        // Signed: a deadline already past leaves no time, across the timer's wrap too.
        const auto left = static_cast<int32_t>(deadline - GetTickCount());
        const DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, left > 0 ? DWORD(left) : 0, QS_SENDMESSAGE);
        if (woke != WAIT_OBJECT_0 + 1)
            return woke == WAIT_OBJECT_0;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

DWORD WINAPI MonitorView::DrawingThread(void* state)
{
    // The thread's own reference: what it draws with lives until it ends.
    using Reference = std::shared_ptr<Drawing>;
    const std::unique_ptr<Reference> drawing(static_cast<Reference*>(state));
    (*drawing)->Draw();
    return 0;
}

MonitorView::MonitorView(const ViewPlacement& placement, double refreshHertz)
    : placement(placement), drawing(std::make_shared<Drawing>(placement))
{
    SetRefreshRate(refreshHertz);
}

MonitorView::~MonitorView()
{
    StopDrawing();
    if (drawingThread)
        CloseHandle(drawingThread);
}

MonitorView::Drawing::~Drawing()
{
    if (wake)
        CloseHandle(wake);
    if (setUpDone)
        CloseHandle(setUpDone);
}

bool MonitorView::StartDrawing(uint32_t seed, const SaverSettings& settings)
{
    Drawing& state = *drawing;
    if (!state.window.window || !state.wake || !state.setUpDone)
        return false;
    state.seed = seed;
    state.settings = settings;
    auto* reference = new std::shared_ptr<Drawing>(drawing);
    drawingThread = CreateThread(nullptr, 0, DrawingThread, reference, 0, nullptr);
    if (!drawingThread)
        delete reference;
    return drawingThread != nullptr;
}

bool MonitorView::WaitForSetUp(DWORD limitMs)
{
    return drawingThread && WaitHandlingSent(drawing->setUpDone, GetTickCount() + limitMs);
}

std::exception_ptr MonitorView::SetUpFailure() const
{
    return drawing->failed ? drawing->failure : nullptr;
}

bool MonitorView::IsDrawing() const
{
    return drawingThread && !drawing->failed;
}

void MonitorView::SetResting(bool rest, bool black)
{
    drawing->restBlack = black;
    drawing->resting = rest;
    if (drawing->wake)
        SetEvent(drawing->wake);
}

bool MonitorView::IsResting() const
{
    return drawing->resting;
}

void MonitorView::SetRefreshRate(double hertz)
{
    drawing->refreshMilliHertz = hertz > 0 ? static_cast<uint32_t>(hertz * 1000 + 0.5) : 0;
}

void MonitorView::SetRefreshesPerFrame(uint32_t refreshes)
{
    drawing->refreshesPerFrame = refreshes;
}

uint32_t MonitorView::RefreshesPerFrame() const
{
    return drawing->refreshesPerFrame;
}

void MonitorView::StopDrawing()
{
    drawing->stopping = true;
    if (drawing->wake)
        SetEvent(drawing->wake);
}

bool MonitorView::WaitForEnd(DWORD deadline)
{
    StopDrawing();
    if (!drawingThread)
        return true;
    if (!WaitHandlingSent(drawingThread, deadline))
        return false;
    CloseHandle(drawingThread);
    drawingThread = nullptr;
    return true;
}

HWND MonitorView::Window() const
{
    return drawing->window.window;
}

void MonitorView::Drawing::Draw()
{
    // No exception leaves the thread: a failure is handed to the saver's thread.
    try {
        window.SetupPixelFormat();
        window.CreateRenderContext();
        ParticleScene scene(window.width, window.height, seed, settings);
        pacer.Start(resting);
        clock.Start();
        SetEvent(setUpDone);
        while (NextFrame()) {
            scene.RenderFrame(clock.elapsed);
            SwapBuffers(window.deviceContext);
        }
    } catch (...) {
        failure = std::current_exception();
        failed = true;
        SetEvent(setUpDone);
    }
    window.ReleaseRenderContext();
}

void MonitorView::Drawing::ShowBlack()
{
    glClear(GL_COLOR_BUFFER_BIT);
    SwapBuffers(window.deviceContext);
    shownBlack = true;
}

bool MonitorView::Drawing::NextFrame()
{
    for (;;) {
        if (stopping)
            return false;
        if (resting) {
            clock.Rest();
            pacer.SetFineTimerPeriod(false);
            if (restBlack && !shownBlack)
                ShowBlack();
            // The saver's next word (wake, rest or stop) is the only thing to
            // wait for; nothing here can hold up its stop.
            WaitForSingleObject(wake, INFINITE);
            continue;
        }
        if (clock.resting) {
            clock.Wake();
            pacer.SetFineTimerPeriod(true);
            shownBlack = false;
        }
        pacer.Pace(refreshMilliHertz / 1000.0, refreshesPerFrame);
        if (pacer.WaitForFrame(clock, wake)) {
            clock.Tick();
            pacer.pacing.StartFrame(clock.seconds);
            return true;
        }
    }
}
