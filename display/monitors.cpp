// The desktop's monitors and their refresh rates, and the saver's views
// following them as they come and go. The display configuration is looked up at
// run time, since systems before Windows 7 do not have it.
#undef WINVER
#define WINVER 0x0601  // the display configuration's types; its calls are looked up
#include "display/monitors.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "display/saver.h"
#include "display/system_call.h"
#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

namespace {

using BufferSizesCall = LONG(WINAPI*)(UINT32, UINT32*, UINT32*);
using QueryCall = LONG(WINAPI*)(UINT32, UINT32*, DISPLAYCONFIG_PATH_INFO*, UINT32*, DISPLAYCONFIG_MODE_INFO*,
                                DISPLAYCONFIG_TOPOLOGY_ID*);
using DeviceInfoCall = LONG(WINAPI*)(DISPLAYCONFIG_DEVICE_INFO_HEADER*);

struct DisplayRate {
    WCHAR device[CCHDEVICENAME];
    double hertz;
};

// How often the saver looks whether the monitors changed, while awake.
constexpr double kLookSeconds = 0.5;

// The rate of each active display as the display configuration gives it, a
// fraction, named by its GDI device (\\.\DISPLAY1); empty where there is none.
std::vector<DisplayRate> QueryDisplayRates()
{
    const auto bufferSizes = SystemCall<BufferSizesCall>("user32.dll", "GetDisplayConfigBufferSizes");
    const auto query = SystemCall<QueryCall>("user32.dll", "QueryDisplayConfig");
    const auto deviceInfo = SystemCall<DeviceInfoCall>("user32.dll", "DisplayConfigGetDeviceInfo");
    std::vector<DisplayRate> rates;
    UINT32 pathCount = 0, modeCount = 0;
    if (!bufferSizes || !query || !deviceInfo ||
        bufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) != ERROR_SUCCESS)
        return rates;
    std::vector<DISPLAYCONFIG_PATH_INFO> paths(pathCount);
    std::vector<DISPLAYCONFIG_MODE_INFO> modes(modeCount);
    // A configuration that changed since the sizes were read fails here; the
    // display settings then serve.
    if (query(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount, modes.data(), nullptr) != ERROR_SUCCESS)
        return rates;
    for (UINT32 index = 0; index < pathCount; ++index) {
        const DISPLAYCONFIG_PATH_INFO& path = paths[index];
        DISPLAYCONFIG_SOURCE_DEVICE_NAME source = {};
        source.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
        source.header.size = sizeof source;
        source.header.adapterId = path.sourceInfo.adapterId;
        source.header.id = path.sourceInfo.id;
        const DISPLAYCONFIG_RATIONAL& rate = path.targetInfo.refreshRate;
        if (deviceInfo(&source.header) != ERROR_SUCCESS || rate.Denominator == 0)
            continue;
        DisplayRate known = {};
        wcsncpy(known.device, source.viewGdiDeviceName, CCHDEVICENAME - 1);
        known.hertz = static_cast<double>(rate.Numerator) / rate.Denominator;
        rates.push_back(known);
    }
    return rates;
}

double RefreshRate(const WCHAR* device, const std::vector<DisplayRate>& rates)
{
    for (const DisplayRate& rate : rates) {
        if (std::wcscmp(rate.device, device) == 0 && rate.hertz > 1)
            return rate.hertz;
    }
    DEVMODEW mode = {};
    mode.dmSize = sizeof mode;
    if (EnumDisplaySettingsW(device, ENUM_CURRENT_SETTINGS, &mode) && mode.dmDisplayFrequency > 1)
        return mode.dmDisplayFrequency;
    return 0;
}

struct Listing {
    std::vector<Monitor> monitors;
    std::vector<DisplayRate> rates;
};

BOOL CALLBACK AddMonitor(HMONITOR handle, HDC, LPRECT, LPARAM data)
{
    Listing& listing = *reinterpret_cast<Listing*>(data);
    MONITORINFOEXW info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(handle, &info)) {
        const bool primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
        listing.monitors.push_back({info.rcMonitor, primary, RefreshRate(info.szDevice, listing.rates)});
    }
    return TRUE;
}

}  // namespace

std::vector<Monitor> ListMonitors()
{
    Listing listing = {{}, QueryDisplayRates()};
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&listing));
    std::stable_partition(listing.monitors.begin(), listing.monitors.end(), [](const Monitor& m) { return m.primary; });
    return listing.monitors;
}

double RefreshRateAt(HWND window)
{
    MONITORINFOEXW info = {};
    info.cbSize = sizeof info;
    const HMONITOR handle = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    if (!handle || !GetMonitorInfoW(handle, &info))
        return 0;
    return RefreshRate(info.szDevice, QueryDisplayRates());
}

void Saver::CheckMonitors()
{
    nextLook = clock.Read() + kLookSeconds;
    DestroyEndedWindows();
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
    // Another monitor's view whose monitor is gone, or moved, ends and its
    // window goes. Those views leave `views` before anything waits for them.
    std::vector<std::unique_ptr<MonitorView>> gone;
    for (auto view = views.begin() + 1; view != views.end();) {
        const auto monitor = monitorOf((*view)->placement.area);
        if (monitor != monitors.end()) {
            (*view)->SetRefreshRate(monitor->refreshHertz);
            ++view;
            continue;
        }
        gone.push_back(std::move(*view));
        view = views.erase(view);
    }
    EndViews(std::move(gone), true);
    RECT primaryArea = {};
    GetWindowRect(primary.Window(), &primaryArea);
    for (const Monitor& monitor : monitors) {
        RECT overlap;
        if (monitor.primary)
            primary.SetRefreshRate(monitor.refreshHertz);
        // The primary's monitor, or one overlapping it, has the primary's view.
        if (IntersectRect(&overlap, &monitor.area, &primaryArea))
            continue;
        const bool covered = std::any_of(std::next(views.begin()), views.end(), [&monitor](const auto& view) {
            return EqualRect(&view->placement.area, &monitor.area) != FALSE;
        });
        if (!covered)
            AddView({ViewPlacement::Other, monitor.area, primary.Window()}, monitor.refreshHertz,
                    gSettings->everyMonitor != 0);
    }
}
