// The desktop's monitors and their refresh rates. The display configuration is
// looked up at run time, since systems before Windows 7 do not have it.
#undef WINVER
#define WINVER 0x0601  // the display configuration's types; its calls are looked up
#include "display/monitors.h"

#include <algorithm>
#include <cwchar>

namespace {

using BufferSizesCall = LONG(WINAPI*)(UINT32, UINT32*, UINT32*);
using QueryCall = LONG(WINAPI*)(UINT32, UINT32*, DISPLAYCONFIG_PATH_INFO*, UINT32*, DISPLAYCONFIG_MODE_INFO*,
                                DISPLAYCONFIG_TOPOLOGY_ID*);
using DeviceInfoCall = LONG(WINAPI*)(DISPLAYCONFIG_DEVICE_INFO_HEADER*);

struct DisplayRate {
    WCHAR device[CCHDEVICENAME];
    double hertz;
};

template <typename Call>
Call User32Call(const char* name)
{
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

// The rate of each active display as the display configuration gives it, a
// fraction, named by its GDI device (\\.\DISPLAY1); empty where there is none.
std::vector<DisplayRate> QueryDisplayRates()
{
    const auto bufferSizes = User32Call<BufferSizesCall>("GetDisplayConfigBufferSizes");
    const auto query = User32Call<QueryCall>("QueryDisplayConfig");
    const auto deviceInfo = User32Call<DeviceInfoCall>("DisplayConfigGetDeviceInfo");
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
