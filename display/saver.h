#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "display/frame_clock.h"
#include "display/monitor_view.h"
#include "display/power_policy.h"

// The saver as one process runs it, on the thread that made its windows: the
// window classes, one view per monitor (MonitorView; in the preview one, in its
// pane), the message pump, resting while nobody can see the picture, saving
// power, and the music. Saver and views: saver.cpp; monitors that come and go:
// monitors.cpp; pump: message_pump.cpp; rest and power: rest.cpp, by the rule of
// power_policy.cpp; the window procedures: window_proc.cpp, and which input ends
// which mode: close_rules.cpp; music: music.cpp. At most one exists per process:
// the guard is gSaver, which nothing clears. gSettings must point at a live
// record while a Saver is built, used and destroyed; the views' threads never
// read it.
class Saver {
public:
    // Leaves the primary's window (or the preview's) shown and focused with its
    // view drawing, a view on every other monitor (drawing or black, as the
    // settings choose), the music playing when enabled. Throws Exception on any
    // failure of the primary's view; another monitor's failure leaves it black.
    // A window taken away while its view was being set up (a preview pane
    // closed at once) is no failure: the saver is then built and ends at the
    // first pump step.
    Saver();
    // Stops the music, then every view (one deadline for all, kStopLimitMs), and
    // in ModeSaver clears the system's screen-saver-running flag. Once the music
    // has stopped, nothing the windows receive reaches the saver any more. The
    // windows and their classes outlive it, as do the threads of views that
    // have not ended in time, which end on their own or with the process.
    ~Saver();
    Saver(const Saver&) = delete;
    Saver& operator=(const Saver&) = delete;

    // One step of the loop: handles at most one waiting message, else waits for
    // the next one. While awake the wait ends in time for the next look at the
    // monitors, twice a second; the preview also looks whether its pane can be
    // seen, four times a second, resting or not. A resting full-screen saver
    // waits for the next message only. False once the quit message has been
    // retrieved.
    bool PumpMessage();
    // The message the last step handled.
    MSG currentMessage = {};

    // WM_DISPLAYCHANGE: the monitors are looked at in the next pump step.
    void OnDisplayChange();
    // WM_POWERBROADCAST: the display's state, the power source and the power
    // savers' changes, suspend and resume (rest.cpp).
    void OnPowerBroadcast(WPARAM event, LPARAM data);

    // Resting while nobody can see the picture: the display is off, the computer
    // sleeps, or the preview's pane is hidden; or while Energy Saver asks for
    // high savings, the views then black. No view draws, their clocks and the
    // music stand still, and no timer runs until the last reason goes.
    enum RestReason : uint32_t { RestDisplayOff = 1, RestAsleep = 2, RestPreviewHidden = 4, RestEnergySaver = 8 };
    bool IsResting() const { return restReasons != 0; }

    // Seconds since the windows came up; they go on while the saver rests.
    double SecondsShown();
    // The primary's view (or the preview's), null once the views have ended.
    const MonitorView* PrimaryView() const;
    // Restarts the seconds shown on `source`: a test's clock.
    void UseTimeSource(const TimeSource& source);

private:
    void AddView(const ViewPlacement& placement, double refreshHertz, bool drawn);
    // Monitors that come and go (WM_DISPLAYCHANGE, and the looks of the pump,
    // since not every system sends it): a view whose monitor is gone ends and
    // its window goes, a new monitor gets a view, and each view's rate follows
    // its monitor's. The primary's view stays as it is (monitors.cpp).
    void CheckMonitors();
    // Ends `ending`, taken out of `views` already: every view is asked to stop,
    // then all are waited for until one deadline. With `takeWindows` (a monitor
    // gone) a view whose thread has ended loses its window; one whose thread has
    // not is hidden and kept in `endedLate` until it has. Without, the windows
    // stay as they are: the saver is ending.
    void EndViews(std::vector<std::unique_ptr<MonitorView>> ending, bool takeWindows);
    // Destroys the windows of the views in `endedLate` whose threads have ended.
    void DestroyEndedWindows();
    void SetRestReason(RestReason reason, bool holds);
    // Resting on black: at Energy Saver's high savings, whatever else holds.
    bool RestsBlack() const { return (restReasons & RestEnergySaver) != 0; }
    // A new view rests, black or not, and draws at the rate of the others.
    void PrepareView(MonitorView& view) const;
    // In ModePreview: rests while the pane or its top-level window cannot be seen.
    void CheckPreviewVisible();
    // The power source and the battery saver as the system's status gives them
    // at start, before any notification.
    void ReadPowerStatus();
    // The power policy for `power` and the settings, given to every view.
    void ApplyPowerPolicy();
    void RegisterPowerNotifications();
    void UnregisterPowerNotifications();

    // The views, the primary's (or the preview's) first.
    std::vector<std::unique_ptr<MonitorView>> views;
    // Views taken away whose threads had not ended by their deadline.
    std::vector<std::unique_ptr<MonitorView>> endedLate;
    FrameClock clock{gTimeSource};
    double nextLook = 0;  // on `clock`
    uint32_t restReasons = 0;
    PowerState power;
    uint32_t refreshesPerFrame = 1;  // of every view, by the power policy
    // HPOWERNOTIFY of the display's state, the power source, the battery saver
    // and Energy Saver.
    static constexpr size_t kPowerNotificationCount = 4;
    void* powerNotifications[kPowerNotificationCount] = {};
    uint32_t viewsMade = 0;  // each view's seed differs by its number
};

// The one Saver; set by its constructor and never cleared.
extern Saver* gSaver;

// True from the start of the Saver constructor until its destructor ends its
// views; false before any saver, once its construction has failed, and from
// then on, when gSaver still points at the object or its memory.
bool SaverAlive();
// The seconds since the saver's windows came up while it is alive, else 0; it
// goes on while the saver rests.
double SaverSecondsShown();
// True when the last saver ended, or failed, leaving a view's thread that had
// not ended by its deadline: one that may be inside the graphics driver, whose
// teardown at the process's end could wait for it.
bool SaverLeftThreads();
