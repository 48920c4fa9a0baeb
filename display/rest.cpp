// Resting while nobody can see the picture, and saving power. The system tells
// the primary's window when the display goes off or on, when the power source
// or a power saver changes (registered power-setting notifications, each
// answered at once with the setting's state) and when the computer suspends or
// resumes; a preview looks at its pane itself. Every view rests with the saver,
// and draws at the rate the power policy (power_policy.cpp) gives it.
// The saver starts awake and never waits for a first notification: where the
// system sends none (before Windows Vista, or under Wine) it simply never rests,
// and a setting it cannot register for counts as off.
#include <cstring>

#include "display/music.h"
#include "display/power_settings.h"
#include "display/saver.h"
#include "display/system_call.h"
#include "shell/globals.h"
#include "shell/saver_settings.h"

namespace {

// Declared by the system's headers only for Windows Vista and later, which is
// also why the two calls are looked up at run time.
constexpr WPARAM kPowerSettingChange = 0x8013;  // PBT_POWERSETTINGCHANGE
constexpr DWORD kNotifyWindowHandle = 0;        // DEVICE_NOTIFY_WINDOW_HANDLE
// The display's state: 0 off, 1 on, 2 dimmed (still seen, so on).
constexpr DWORD kDisplayOff = 0;
// The power status's line and flag: on battery, and the battery saver on.
constexpr BYTE kOffLine = 0;
constexpr BYTE kBatterySaverOn = 1;
constexpr uint32_t kBatteryPower = 1;

struct PowerSetting {  // POWERBROADCAST_SETTING, its data one DWORD for every setting here
    GUID setting;
    DWORD dataLength;
    unsigned char data[1];
};

using RegisterCall = HANDLE(WINAPI*)(HANDLE recipient, const GUID* setting, DWORD flags);
using UnregisterCall = BOOL(WINAPI*)(HANDLE notification);

// Windows 8 and later report the display's state; earlier ones only the monitor's power.
bool IsWindows8OrLater()
{
    OSVERSIONINFOEXA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 2;
    const DWORDLONG atLeast = VerSetConditionMask(VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL),
                                                  VER_MINORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoA(&version, VER_MAJORVERSION | VER_MINORVERSION, atLeast) != FALSE;
}

}  // namespace

void Saver::SetRestReason(RestReason reason, bool holds)
{
    const bool wasResting = IsResting();
    const bool wasBlack = RestsBlack();
    restReasons = holds ? restReasons | reason : restReasons & ~uint32_t(reason);
    if (IsResting() == wasResting && RestsBlack() == wasBlack)
        return;
    for (const auto& view : views)
        view->SetResting(IsResting(), RestsBlack());
    if (IsResting() == wasResting)
        return;
    if (IsResting()) {
        PauseMusic();
    } else {
        ResumeMusic();
        nextLook = 0;  // monitors may have come or gone meanwhile
    }
}

void Saver::PrepareView(MonitorView& view) const
{
    view.SetResting(IsResting(), RestsBlack());
    view.SetRefreshesPerFrame(refreshesPerFrame);
}

void Saver::ApplyPowerPolicy()
{
    const PowerPolicy policy = PolicyFor(power, gSettings->savePower != 0);
    refreshesPerFrame = policy.refreshesPerFrame;
    for (const auto& view : views)
        view->SetRefreshesPerFrame(refreshesPerFrame);
    SetRestReason(RestEnergySaver, policy.rest);
}

void Saver::ReadPowerStatus()
{
    SYSTEM_POWER_STATUS status = {};
    if (!GetSystemPowerStatus(&status))
        return;
    power.source = status.ACLineStatus == kOffLine ? kBatteryPower : kMainsPower;
    // SystemStatusFlag since Windows 10; 0 before.
    power.batterySaver = status.Reserved1 == kBatterySaverOn;
    ApplyPowerPolicy();
}

void Saver::OnPowerBroadcast(WPARAM event, LPARAM data)
{
    switch (event) {
    case PBT_APMSUSPEND:
        SetRestReason(RestAsleep, true);
        break;
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMEAUTOMATIC:
        SetRestReason(RestAsleep, false);
        break;
    case kPowerSettingChange: {
        const auto* notice = reinterpret_cast<const PowerSetting*>(data);
        if (!notice || notice->dataLength < sizeof(DWORD))
            break;
        DWORD value;
        std::memcpy(&value, notice->data, sizeof value);
        const GUID& setting = notice->setting;
        if (IsEqualGUID(setting, GUID_CONSOLE_DISPLAY_STATE) || IsEqualGUID(setting, GUID_MONITOR_POWER_ON)) {
            SetRestReason(RestDisplayOff, value == kDisplayOff);
            break;
        }
        if (IsEqualGUID(setting, GUID_ACDC_POWER_SOURCE))
            power.source = value;
        else if (IsEqualGUID(setting, kPowerSavingStatus))
            power.batterySaver = value != 0;
        else if (IsEqualGUID(setting, kEnergySaverStatus))
            power.energySaver = value;
        else
            break;
        ApplyPowerPolicy();
        break;
    }
    default:
        break;
    }
}

void Saver::CheckPreviewVisible()
{
    // IsWindowVisible looks at every ancestor, the pane's dialog included; a
    // minimised top-level window keeps its visible style.
    const bool seen = IsWindowVisible(gWindowHandle) && !IsIconic(GetAncestor(gWindowHandle, GA_ROOT));
    SetRestReason(RestPreviewHidden, !seen);
}

void Saver::RegisterPowerNotifications()
{
    const auto registerCall = SystemCall<RegisterCall>("user32.dll", "RegisterPowerSettingNotification");
    if (!registerCall)
        return;
    const GUID* settings[] = {IsWindows8OrLater() ? &GUID_CONSOLE_DISPLAY_STATE : &GUID_MONITOR_POWER_ON,
                              &GUID_ACDC_POWER_SOURCE, &kPowerSavingStatus, &kEnergySaverStatus};
    static_assert(sizeof settings / sizeof *settings == kPowerNotificationCount, "one handle per setting");
    for (size_t index = 0; index < kPowerNotificationCount; ++index)
        powerNotifications[index] = registerCall(gWindowHandle, settings[index], kNotifyWindowHandle);
}

void Saver::UnregisterPowerNotifications()
{
    const auto unregisterCall = SystemCall<UnregisterCall>("user32.dll", "UnregisterPowerSettingNotification");
    for (void*& notification : powerNotifications) {
        if (notification && unregisterCall)
            unregisterCall(notification);
        notification = nullptr;
    }
}
