// The saver and its views, built as a straight sequence of steps. Implemented:
// the single-instance guard, the window classes, the primary's full-screen view
// (or the preview's), a view on every other monitor (drawing or black, as the
// settings choose), the wait for the primary's set-up, whose failure is the
// saver's, the views' end, the music's start and the screen-saver-running flag.
// Not done here: destroying the primary's window or unregistering the classes;
// both last until the process ends.
#include "display/saver.h"

#include <exception>
#include <utility>

#include "display/music.h"
#include "display/window_proc.h"
#include "shell/exception.h"
#include "shell/globals.h"
#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

Saver* gSaver;

namespace {

// The primary's set-up (context, sprite, particle system) reports its failure
// within this; one slower than that is not waited for, and draws when it can.
constexpr DWORD kSetUpLimitMs = 10000;
// Odd: the seeds of views made one after another lie far apart on the
// generator's cycle, so that no two monitors show the same picture.
constexpr uint32_t kSeedSpacing = 0x9E3779B9u;

// gSaver stays set for good as the guard, so whether the object behind it still
// exists is kept apart: the windows keep receiving input while an error box
// shows after a failed construction, and after the saver has been destroyed.
bool gSaverAlive;
bool gThreadsLeft;

void SetScreenSaverRunning(BOOL running)
{
    BOOL formerState = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running, &formerState, 0);
}

// A class of the saver's windows: black until drawn, and no cursor of its own
// (the window procedure chooses it on every WM_SETCURSOR).
bool RegisterSaverClass(const char* name, WNDPROC procedure, UINT style)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = gInstance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = name;
    return RegisterClassExA(&windowClass) != 0;
}

// Registered when the first other monitor needs it: a desktop of one monitor
// never has it.
bool RegisterOtherMonitorClass()
{
    WNDCLASSEXA known = {};
    known.cbSize = sizeof known;
    return GetClassInfoExA(gInstance, kOtherMonitorClassName, &known) ||
           RegisterSaverClass(kOtherMonitorClassName, OtherMonitorProc, CS_OWNDC);
}

uint32_t SeedOfView(uint32_t number)
{
    return GetTickCount() + number * kSeedSpacing;
}

// A view's window destroyed by the saver, not by the system: its WM_DESTROY
// must not end the saver.
void TakeWindowAway(HWND window)
{
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    DestroyWindow(window);
}

// The preview's pane closed, or the window destroyed, while the view was being
// set up: what failed then is the view's set-up on a window that is no more.
bool WindowTakenAway(const MonitorView& view)
{
    return !IsWindow(view.Window()) ||
           (view.placement.kind == ViewPlacement::Preview && !IsWindow(view.placement.owner));
}

}  // namespace

bool SaverAlive()
{
    return gSaver && gSaverAlive;
}

double SaverSecondsShown()
{
    return SaverAlive() ? gSaver->SecondsShown() : 0.0;
}

bool SaverLeftThreads()
{
    return gThreadsLeft;
}

Saver::Saver()
{
    if (gSaver)
        throw Exception("Multiple instances of Window found.");
    gSaver = this;
    gSaverAlive = true;
    gThreadsLeft = false;

    // The mouse rule measures cursor travel from where the cursor was when the
    // saver came up, before the windows exist and before any mouse message.
    // Should the position be unreadable, the record's origin stays as it was.
    POINT cursor;
    if (GetCursorPos(&cursor))
        gSettings->mouseOrigin = {cursor.x, cursor.y};
    ReadPowerStatus();

    try {
        if (!RegisterSaverClass(kWindowClassName, WindowProc, CS_OWNDC | CS_HREDRAW | CS_VREDRAW))
            throw Exception("Failed to register class!");
        const ViewPlacement first = {gMode == ModePreview ? ViewPlacement::Preview : ViewPlacement::Primary, {},
                                     gWindowHandle};
        views.push_back(std::make_unique<MonitorView>(first, 0));
        PrepareView(*views.front());
        gWindowHandle = views.front()->Window();
        if (!gWindowHandle)
            throw Exception("Failed to create window...");
        gSettings->windowHandle = gWindowHandle;
        clock.Start();
        ++viewsMade;
        CheckMonitors();
        MonitorView& primary = *views.front();
        if (!primary.StartDrawing(SeedOfView(0), *gSettings))
            throw Exception("Unknown error");
        if (primary.WaitForSetUp(kSetUpLimitMs) && primary.SetUpFailure()) {
            if (!WindowTakenAway(primary))
                std::rethrow_exception(primary.SetUpFailure());
            PostQuitMessage(0);
        }
    } catch (...) {
        // No destructor runs for this object; the windows stay until the process ends.
        gSaverAlive = false;
        EndViews(std::exchange(views, {}), false);
        throw;
    }
    StartMusic();
    // A suspend handled while the windows came up: the music waits for the resume.
    if (IsResting())
        PauseMusic();
    if (gMode == ModeSaver)
        SetScreenSaverRunning(TRUE);
    RegisterPowerNotifications();
}

Saver::~Saver()
{
    UnregisterPowerNotifications();
    StopMusic();
    gSaverAlive = false;
    EndViews(std::exchange(views, {}), false);
    if (gMode == ModeSaver)
        SetScreenSaverRunning(FALSE);
}

double Saver::SecondsShown()
{
    return clock.Read();
}

const MonitorView* Saver::PrimaryView() const
{
    return views.empty() ? nullptr : views.front().get();
}

void Saver::UseTimeSource(const TimeSource& source)
{
    clock.source = source;
    clock.Start();
    nextLook = 0;
}

void Saver::OnDisplayChange()
{
    nextLook = 0;
}

void Saver::EndViews(std::vector<std::unique_ptr<MonitorView>> ending, bool takeWindows)
{
    // All asked first, so that they end side by side, and then waited for until
    // one deadline: however many hang, the wait is one limit, not one each.
    for (const auto& view : ending)
        view->StopDrawing();
    const DWORD deadline = GetTickCount() + kStopLimitMs;
    for (auto& view : ending) {
        const bool ended = view->WaitForEnd(deadline);
        if (!takeWindows) {
            gThreadsLeft = gThreadsLeft || !ended;
            continue;
        }
        if (ended) {
            TakeWindowAway(view->Window());
            continue;
        }
        // Never destroyed under a thread that may still draw on it.
        ShowWindow(view->Window(), SW_HIDE);
        endedLate.push_back(std::move(view));
    }
}

void Saver::DestroyEndedWindows()
{
    for (size_t index = endedLate.size(); index-- > 0;) {
        if (!endedLate[index]->WaitForEnd(GetTickCount()))
            continue;
        auto ended = std::move(endedLate[index]);
        endedLate.erase(endedLate.begin() + static_cast<std::ptrdiff_t>(index));
        TakeWindowAway(ended->Window());
    }
}

void Saver::AddView(const ViewPlacement& placement, double refreshHertz, bool drawn)
{
    if (!RegisterOtherMonitorClass())
        return;
    auto view = std::make_unique<MonitorView>(placement, refreshHertz);
    // A monitor whose window cannot be made stays as it is; nothing is reported.
    if (!view->Window())
        return;
    const uint32_t number = viewsMade++;
    PrepareView(*view);
    if (drawn)
        view->StartDrawing(SeedOfView(number), *gSettings);
    views.push_back(std::move(view));
}
