// Resting while nobody can see the picture. The system tells the primary's
// window when the display goes off or on (a registered power-setting
// notification) and when the computer suspends or resumes; a preview looks at
// its pane itself. Every view rests with the saver.
// The saver starts awake and never waits for a first notification: where the
// system sends none (before Windows Vista, or under Wine) it simply never rests.
#include <cstring>

#include "display/music.h"
#include "display/saver.h"
#include "display/system_call.h"
#include "shell/globals.h"

namespace {

// Declared by the system's headers only for Windows Vista and later, which is
// also why the two calls are looked up at run time.
constexpr WPARAM kPowerSettingChange = 0x8013;  // PBT_POWERSETTINGCHANGE
constexpr DWORD kNotifyWindowHandle = 0;        // DEVICE_NOTIFY_WINDOW_HANDLE
// The setting's value: 0 off, 1 on, 2 dimmed (still seen, so on).
constexpr DWORD kDisplayOff = 0;

struct PowerSetting {  // POWERBROADCAST_SETTING, its data one DWORD for both settings
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
    restReasons = holds ? restReasons | reason : restReasons & ~uint32_t(reason);
    if (IsResting() == wasResting)
        return;
    for (const auto& view : views)
        view->SetResting(IsResting());
    if (IsResting()) {
        PauseMusic();
    } else {
        ResumeMusic();
        nextLook = 0;  // monitors may have come or gone meanwhile
    }
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
        if (!IsEqualGUID(notice->setting, GUID_CONSOLE_DISPLAY_STATE) && !IsEqualGUID(notice->setting, GUID_MONITOR_POWER_ON))
            break;
        DWORD state;
        std::memcpy(&state, notice->data, sizeof state);
        SetRestReason(RestDisplayOff, state == kDisplayOff);
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

void Saver::RegisterDisplayNotifications()
{
    const auto registerCall = SystemCall<RegisterCall>("user32.dll", "RegisterPowerSettingNotification");
    if (!registerCall)
        return;
    const GUID& setting = IsWindows8OrLater() ? GUID_CONSOLE_DISPLAY_STATE : GUID_MONITOR_POWER_ON;
    displayNotification = registerCall(gWindowHandle, &setting, kNotifyWindowHandle);
}

void Saver::UnregisterDisplayNotifications()
{
    const auto unregisterCall = SystemCall<UnregisterCall>("user32.dll", "UnregisterPowerSettingNotification");
    if (displayNotification && unregisterCall)
        unregisterCall(displayNotification);
    displayNotification = nullptr;
}
