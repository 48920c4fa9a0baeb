// The saver and its views, built as a straight sequence of steps. Implemented:
// the single-instance guard, the window classes, the primary's full-screen view
// (or the preview's), a view on every other monitor (drawing or black, as the
// settings choose), the wait for the primary's set-up, whose failure is the
// saver's, monitors that come and go, the music's start and the
// screen-saver-running flag. Not done here: destroying the primary's window or
// unregistering the classes; both last until the process ends.
#include "display/saver.h"

#include <algorithm>
#include <exception>

#include "display/monitors.h"
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
// How often the saver looks whether the monitors changed, while awake.
constexpr double kLookSeconds = 0.5;
// Odd: the seeds of views made one after another lie far apart on the
// generator's cycle, so that no two monitors show the same picture.
constexpr uint32_t kSeedSpacing = 0x9E3779B9u;

// gSaver stays set for good as the guard, so whether the object behind it still
// exists is kept apart: the windows keep receiving input while an error box
// shows after a failed construction, and after the saver has been destroyed.
bool gSaverAlive;

void SetScreenSaverRunning(BOOL running)
{
    BOOL formerState = FALSE;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running, &formerState, 0);
}

void RegisterWindowClass()
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = gInstance;
    // No cursor: WindowProc chooses it on every WM_SETCURSOR.
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kWindowClassName;
    if (!RegisterClassExA(&windowClass))
        throw Exception("Failed to register class!");
}

// Registered when the first other monitor needs it: a desktop of one monitor
// never has it.
bool RegisterOtherMonitorClass()
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    if (GetClassInfoExA(gInstance, kOtherMonitorClassName, &windowClass))
        return true;
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = OtherMonitorProc;
    windowClass.hInstance = gInstance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kOtherMonitorClassName;
    return RegisterClassExA(&windowClass) != 0;
}

uint32_t SeedOfView(uint32_t number)
{
    return GetTickCount() + number * kSeedSpacing;
}

}  // namespace

bool SaverAlive()
{
    return gSaver && gSaverAlive;
}

double SaverSecondsShown()
{
    return SaverAlive() ? gSaver->clock.Read() : 0.0;
}

Saver::Saver()
{
    if (gSaver)
        throw Exception("Multiple instances of Window found.");
    gSaver = this;
    gSaverAlive = true;

    // The mouse rule measures cursor travel from where the cursor was when the
    // saver came up, before the windows exist and before any mouse message.
    // Should the position be unreadable, the record's origin stays as it was.
    POINT cursor;
    if (GetCursorPos(&cursor))
        gSettings->mouseOrigin = {cursor.x, cursor.y};

    try {
        RegisterWindowClass();
        const ViewPlacement first = {gMode == ModePreview ? ViewPlacement::Preview : ViewPlacement::Primary, {},
                                     gWindowHandle};
        views.push_back(std::make_unique<MonitorView>(first, 0));
        gWindowHandle = views.front()->Window();
        if (!gWindowHandle)
            throw Exception("Failed to create window...");
        gSettings->windowHandle = gWindowHandle;
        clock.Start();
        ++viewsMade;
        CheckMonitors();
        MonitorView& primary = *views.front();
        if (!primary.StartDrawing(SeedOfView(0), IsResting()))
            throw Exception("Unknown error");
        if (primary.WaitForSetUp(kSetUpLimitMs) && primary.SetUpFailure())
            std::rethrow_exception(primary.SetUpFailure());
    } catch (...) {
        // No destructor runs for this object; the windows stay until the process ends.
        StopViews();
        gSaverAlive = false;
        throw;
    }
    StartMusic();
    // A suspend handled while the windows came up: the music waits for the resume.
    if (IsResting())
        PauseMusic();
    if (gMode == ModeSaver)
        SetScreenSaverRunning(TRUE);
    RegisterDisplayNotifications();
}

Saver::~Saver()
{
    UnregisterDisplayNotifications();
    StopMusic();
    StopViews();
    if (gMode == ModeSaver)
        SetScreenSaverRunning(FALSE);
    gSaverAlive = false;
}

void Saver::StopViews()
{
    // All asked first, so that they end side by side: the wait is the slowest
    // one's, not the sum of all.
    for (const auto& view : views)
        view->StopDrawing();
    views.clear();
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
    if (drawn)
        view->StartDrawing(SeedOfView(number), IsResting());
    views.push_back(std::move(view));
}

void Saver::CheckMonitors()
{
    nextLook = clock.Read() + kLookSeconds;
    MonitorView& primary = *views.front();
    if (gMode != ModeSaver) {
        primary.SetRefreshRate(RefreshRateAt(primary.Window()));
        return;
    }
    const std::vector<Monitor> monitors = ListMonitors();
    const auto monitorOf = [&monitors](const RECT& area) {
        return std::find_if(monitors.begin(), monitors.end(),
                            [&area](const Monitor& monitor) { return EqualRect(&monitor.area, &area) != FALSE; });
    };
    // Another monitor's view whose monitor is gone, or moved, ends, and its
    // window goes. Taken away by the saver, not by the system: its WM_DESTROY
    // must not end the saver.
    for (size_t index = views.size(); index-- > 1;) {
        const auto monitor = monitorOf(views[index]->placement.area);
        if (monitor != monitors.end()) {
            views[index]->SetRefreshRate(monitor->refreshHertz);
            continue;
        }
        const HWND window = views[index]->Window();
        views.erase(views.begin() + static_cast<std::ptrdiff_t>(index));
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
        DestroyWindow(window);
    }
    RECT primaryArea = {};
    GetWindowRect(primary.Window(), &primaryArea);
    for (const Monitor& monitor : monitors) {
        RECT overlap;
        if (monitor.primary)
            primary.SetRefreshRate(monitor.refreshHertz);
        // The primary's monitor, or one overlapping it, has the primary's view.
        if (IntersectRect(&overlap, &monitor.area, &primaryArea))
            continue;
        const bool covered = std::any_of(views.begin() + 1, views.end(), [&monitor](const auto& view) {
            return EqualRect(&view->placement.area, &monitor.area) != FALSE;
        });
        if (!covered)
            AddView({ViewPlacement::Other, monitor.area, primary.Window()}, monitor.refreshHertz,
                    gSettings->everyMonitor != 0);
    }
}
