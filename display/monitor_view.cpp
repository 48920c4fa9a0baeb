// One monitor's view: its window, and the thread that draws it. The thread makes
// its own OpenGL context on the window, builds its scene, and draws one frame
// each time its pacing says, ticking its clock once per frame; it rests on the
// saver's word and ends on it, releasing its context before the window can go.
#include "display/monitor_view.h"

#include "effect/particle_scene.h"
#include "shell/saver_settings.h"

namespace {

// Waits for `handle` up to `limitMs`, handling meanwhile the messages that other
// threads send to this thread's windows (a drawing thread's calls on its window
// may send some), but none of the posted ones, which wait for the pump.
bool WaitHandlingSent(HANDLE handle, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        const DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, spent < limitMs ? limitMs - spent : 0,
                                                     QS_SENDMESSAGE);
        if (woke != WAIT_OBJECT_0 + 1)
            return woke == WAIT_OBJECT_0;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

DWORD WINAPI DrawingThreadEntry(void* state)
{
    // The thread's own reference: what it draws with lives until it ends.
    using Reference = std::shared_ptr<MonitorView::Drawing>;
    const std::unique_ptr<Reference> drawing(static_cast<Reference*>(state));
    (*drawing)->Draw();
    return 0;
}

}  // namespace

MonitorView::MonitorView(const ViewPlacement& placement, double refreshHertz)
    : placement(placement), drawing(std::make_shared<Drawing>(placement))
{
    SetRefreshRate(refreshHertz);
}

MonitorView::~MonitorView()
{
    JoinDrawing(kStopLimitMs);
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

bool MonitorView::StartDrawing(uint32_t seed, bool rest)
{
    Drawing& state = *drawing;
    if (!state.window.window)
        return false;
    state.seed = seed;
    state.resting = rest;
    state.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    state.setUpDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!state.wake || !state.setUpDone)
        return false;
    auto* reference = new std::shared_ptr<Drawing>(drawing);
    drawingThread = CreateThread(nullptr, 0, DrawingThreadEntry, reference, 0, nullptr);
    if (!drawingThread)
        delete reference;
    return drawingThread != nullptr;
}

bool MonitorView::WaitForSetUp(DWORD limitMs)
{
    return drawingThread && WaitHandlingSent(drawing->setUpDone, limitMs);
}

std::exception_ptr MonitorView::SetUpFailure() const
{
    return drawing->failed ? drawing->failure : nullptr;
}

bool MonitorView::IsDrawing() const
{
    return drawingThread && !drawing->failed;
}

void MonitorView::SetResting(bool rest)
{
    drawing->resting = rest;
    if (drawing->wake)
        SetEvent(drawing->wake);
}

void MonitorView::SetRefreshRate(double hertz)
{
    drawing->refreshMilliHertz = hertz > 0 ? static_cast<uint32_t>(hertz * 1000 + 0.5) : 0;
}

void MonitorView::StopDrawing()
{
    drawing->stopping = true;
    if (drawing->wake)
        SetEvent(drawing->wake);
}

bool MonitorView::JoinDrawing(DWORD limitMs)
{
    StopDrawing();
    if (!drawingThread || !WaitHandlingSent(drawingThread, limitMs))
        return !drawingThread;
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
        ParticleScene scene(window.width, window.height, seed, *gSettings);
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

bool MonitorView::Drawing::NextFrame()
{
    for (;;) {
        if (stopping)
            return false;
        if (resting) {
            clock.Rest();
            pacer.SetFineTimerPeriod(false);
            // The saver's next word (wake, rest or stop) is the only thing to
            // wait for; nothing here can hold up its stop.
            WaitForSingleObject(wake, INFINITE);
            continue;
        }
        if (clock.resting) {
            clock.Wake();
            pacer.SetFineTimerPeriod(true);
        }
        pacer.pacing.SetRefreshRate(refreshMilliHertz / 1000.0);
        if (pacer.WaitForFrame(clock, wake)) {
            clock.Tick();
            pacer.pacing.StartFrame(clock.seconds);
            return true;
        }
    }
}
