#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "display/frame_clock.h"
#include "display/monitor_view.h"

// The saver as one process runs it, on the thread that made its windows: the
// window classes, one view per monitor (MonitorView; in the preview one, in its
// pane), the message pump and the close rules, resting while nobody can see
// the picture, and the music (saver and its views: saver.cpp; pump:
// message_pump.cpp; rest: rest.cpp; procedure: window_proc.cpp; close rules:
// close_rules.cpp; music: music.cpp). At most one exists per process: the guard
// is gSaver, which nothing clears. gSettings must point at a live record while a
// Saver is built, used and destroyed.
class Saver {
public:
    // Leaves the primary's window (or the preview's) shown and focused with its
    // view drawing, a view on every other monitor (drawing or black, as the
    // settings choose), the music playing when enabled. Throws Exception on any
    // failure of the primary's view; another monitor's failure leaves it black.
    Saver();
    // Stops the music, then every view, and in ModeSaver clears the system's
    // screen-saver-running flag. The windows and their classes outlive it.
    ~Saver();
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    // One step of the loop: handles at most one waiting message, else waits for
    // the next one, looking a few times a second whether the monitors changed
    // (and, in the preview, whether its pane can be seen). While it rests it waits
    // for the next message only. False once the quit message has been retrieved.
    bool PumpMessage();

    // Monitors that come and go (WM_DISPLAYCHANGE, and the looks of the pump,
    // since not every system sends it): a view whose monitor is gone ends and
    // its window goes, a new monitor gets a view, and each view's rate follows
    // its monitor's. The primary's view stays as it is.
    void CheckMonitors();

    // Resting while nobody can see the picture: the display is off, the computer
    // sleeps, or the preview's pane is hidden. No view draws, their clocks and the
    // music stand still, and no timer runs until the last reason goes.
    enum RestReason : uint32_t { RestDisplayOff = 1, RestAsleep = 2, RestPreviewHidden = 4 };
    bool IsResting() const { return restReasons != 0; }
    void SetRestReason(RestReason reason, bool holds);
    // WM_POWERBROADCAST: display state changes, suspend and resume.
    void OnPowerBroadcast(WPARAM event, LPARAM data);
    // In ModePreview: rests while the pane or its top-level window cannot be seen.
    void CheckPreviewVisible();

    // The views, the primary's (or the preview's) first.
    std::vector<std::unique_ptr<MonitorView>> views;
    // Seconds since the windows came up: the mouse grace, the looks around.
    FrameClock clock{gTimeSource};
    double nextLook = 0;
    MSG currentMessage = {};
    uint32_t restReasons = 0;
    void* displayNotification = nullptr;  // HPOWERNOTIFY
    uint32_t viewsMade = 0;               // each view's seed differs by its number

private:
    void AddView(const ViewPlacement& placement, double refreshHertz, bool drawn);
    void StopViews();
    void RegisterDisplayNotifications();
    void UnregisterDisplayNotifications();
};

// The one Saver; set by its constructor and never cleared.
extern Saver* gSaver;

// True from the start of the Saver constructor until its destructor; false
// before any saver, once its construction has failed, and after destruction,
// when gSaver still points at the dead object's memory.
bool SaverAlive();
// The seconds since the saver's windows came up while it is alive, else 0; it
// goes on while the saver rests.
double SaverSecondsShown();
