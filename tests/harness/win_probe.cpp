// A small Windows tool for the end-to-end tests: starts programs with an exact
// command line, looks at (or presses) windows of other processes and reads the
// version resource and manifest of a file as the system reads them.
//
//   win_probe launch APPLICATION "COMMAND LINE"   runs it, returns its exit code
//   win_probe window CAPTION [TIMEOUT_MS]         waits for a top-level window and
//                                                 prints it and its children
//   win_probe press CAPTION ID                    sends WM_COMMAND ID to that window
//   win_probe monitors                            prints every monitor
//   win_probe windows CLASS                       prints the visible top-level
//                                                 windows of that class
//   win_probe version FILE                        prints its version resource
//   win_probe manifest FILE                       prints what its manifest declares
//   win_probe hold FILE MS                        keeps FILE open, shared with no
//                                                 one, for MS milliseconds
//   win_probe power EVENT [watch]                 sends the saver's render window
//                                                 the power notification EVENT
//   win_probe storm MS                            sends it suspend and resume in
//                                                 turn, without pause, for MS
//                                                 milliseconds
//
// `power` delivers WM_POWERBROADCAST as the system does, its setting placed in
// the saver's own memory: EVENT is display-off, display-on, display-dim (the
// display's state), mains, battery, ups (the power source), battery-saver-on,
// battery-saver-off, energy-saver-off, energy-saver-standard,
// energy-saver-high, or suspend, resume. With `watch` it then prints
// "changed MS", the milliseconds until the screen's middle changed, or
// "unchanged" after 3 s.
//
// `window` prints one line for the window, "window OWNER STYLE TEXT", then one
// line per child, "child ID CLASS STYLE TEXT"; handles and styles in hex.
// `monitors` prints "monitor LEFT TOP RIGHT BOTTOM" per monitor, the primary
// one marked "primary" at the end; `windows` prints "window LEFT TOP RIGHT
// BOTTOM" per window.
//
// `version` reads with GetFileVersionInfoA and VerQueryValueA and prints
// "fixed FILEVERSION PRODUCTVERSION app|dll|other", "translation LANG CODEPAGE"
// and one "string NAME VALUE" per standard string present.
//
// `manifest` builds an activation context from the file's manifest resource 1,
// which fails when the manifest does not parse, and prints "dpiAware VALUE",
// "dpiAwareness VALUE", one "supportedOS {GUID}" per entry, "runLevel LEVEL" and
// one "dependency IDENTITY" per assembly the manifest depends on.

// QueryActCtxSettingsW and the activation-context queries are declared for
// Windows 7 and later only; the probe may use them, the saver does not.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "display/power_settings.h"
#include "tests/harness/wait_for_window.h"

namespace {

constexpr int kUsage = 64;
constexpr int kNotFound = 65;

void PrintText(HWND window)
{
    char text[1024] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    std::printf("%s\n", text);
}

BOOL CALLBACK PrintChild(HWND child, LPARAM)
{
    char className[128] = {};
    GetClassNameA(child, className, sizeof className);
    std::printf("child %d %s 0x%08lx ", GetDlgCtrlID(child), className,
                static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)));
    PrintText(child);
    return TRUE;
}

BOOL CALLBACK PrintMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoA(monitor, &info);
    const RECT& r = info.rcMonitor;
    std::printf("monitor %ld %ld %ld %ld%s\n", r.left, r.top, r.right, r.bottom,
                (info.dwFlags & MONITORINFOF_PRIMARY) ? " primary" : "");
    return TRUE;
}

BOOL CALLBACK PrintWindowOfClass(HWND window, LPARAM wantedClass)
{
    char className[128] = {};
    GetClassNameA(window, className, sizeof className);
    if (IsWindowVisible(window) && std::strcmp(className, reinterpret_cast<const char*>(wantedClass)) == 0) {
        RECT r;
        GetWindowRect(window, &r);
        std::printf("window %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    }
    return TRUE;
}

int Launch(const char* application, const char* commandLine)
{
    char line[32768];
    std::snprintf(line, sizeof line, "%s", commandLine);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(application, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "CreateProcess failed: %lu\n", GetLastError());
        return kNotFound;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

int PrintVersion(const char* file)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    if (size == 0)
        return kNotFound;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(file, 0, size, block.data()))
        return kNotFound;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && length >= sizeof *fixed) {
        const char* type = fixed->dwFileType == VFT_APP ? "app" : fixed->dwFileType == VFT_DLL ? "dll" : "other";
        std::printf("fixed %u.%u.%u.%u %u.%u.%u.%u %s\n", HIWORD(fixed->dwFileVersionMS),
                    LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS),
                    HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                    HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS), type);
    }

    WORD* translation = nullptr;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        length < 2 * sizeof(WORD))
        return 0;
    std::printf("translation %04x %04x\n", translation[0], translation[1]);
    const char* names[] = {"Comments",         "CompanyName", "FileDescription", "FileVersion",
                           "InternalName",     "LegalCopyright", "LegalTrademarks", "OriginalFilename",
                           "PrivateBuild",     "ProductName", "ProductVersion",  "SpecialBuild"};
    for (const char* name : names) {
        char path[128];
        std::snprintf(path, sizeof path, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], name);
        char* value = nullptr;
        if (VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&value), &length))
            std::printf("string %s %s\n", name, value);
    }
    return 0;
}

void PrintSetting(HANDLE context, const wchar_t* nameSpace, const wchar_t* name)
{
    wchar_t value[256] = {};
    SIZE_T written = 0;
    if (QueryActCtxSettingsW(0, context, nameSpace, name, value, 256, &written))
        std::printf("%ls %ls\n", name, value);
}

// The whole answer of QueryActCtxW for CLASS (and the subinstance INDEX), or empty.
std::vector<BYTE> QueryContext(HANDLE context, ULONG infoClass, void* index = nullptr)
{
    SIZE_T needed = 0;
    QueryActCtxW(0, context, index, infoClass, nullptr, 0, &needed);
    std::vector<BYTE> answer(needed);
    if (needed == 0 || !QueryActCtxW(0, context, index, infoClass, answer.data(), needed, &needed))
        answer.clear();
    return answer;
}

int PrintManifest(const char* file)
{
    ACTCTXA request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = file;
    request.lpResourceName = MAKEINTRESOURCEA(1);
    const HANDLE context = CreateActCtxA(&request);
    if (context == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "CreateActCtx failed: %lu\n", GetLastError());
        return kNotFound;
    }
    PrintSetting(context, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware");
    PrintSetting(context, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness");

    // Since Windows 10 each element also carries a maxversiontested (and so is
    // 8-byte aligned); the headers here have the older, shorter layout.
    struct CompatibilityElement {
        GUID Id;
        ACTCTX_COMPATIBILITY_ELEMENT_TYPE Type;
        ULONGLONG MaxVersionTested;
    };
    struct CompatibilityInformation {
        DWORD ElementCount;
        CompatibilityElement Elements[1];
    };
    const std::vector<BYTE> compatibility = QueryContext(context, CompatibilityInformationInActivationContext);
    if (compatibility.size() >= sizeof(DWORD)) {
        const auto* info = reinterpret_cast<const CompatibilityInformation*>(compatibility.data());
        const auto* old = reinterpret_cast<const ACTIVATION_CONTEXT_COMPATIBILITY_INFORMATION*>(compatibility.data());
        const bool longElements = compatibility.size() >= offsetof(CompatibilityInformation, Elements) +
                                                               info->ElementCount * sizeof(CompatibilityElement);
        for (DWORD i = 0; i < info->ElementCount; ++i) {
            const auto type = longElements ? info->Elements[i].Type : old->Elements[i].Type;
            if (type != ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS)
                continue;
            const GUID& id = longElements ? info->Elements[i].Id : old->Elements[i].Id;
            std::printf("supportedOS {%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}\n", id.Data1, id.Data2,
                        id.Data3, id.Data4[0], id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5],
                        id.Data4[6], id.Data4[7]);
        }
    }

    const std::vector<BYTE> runLevel = QueryContext(context, RunlevelInformationInActivationContext);
    if (runLevel.size() >= sizeof(ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION)) {
        const auto* info = reinterpret_cast<const ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*>(runLevel.data());
        const char* levels[] = {"unspecified", "asInvoker", "highestAvailable", "requireAdministrator"};
        std::printf("runLevel %s\n", info->RunLevel < 4 ? levels[info->RunLevel] : "other");
    }

    // Assembly 1 is the application itself; the ones after it are its dependencies.
    const std::vector<BYTE> detailed = QueryContext(context, ActivationContextDetailedInformation);
    if (detailed.size() >= sizeof(ACTIVATION_CONTEXT_DETAILED_INFORMATION)) {
        const auto* info = reinterpret_cast<const ACTIVATION_CONTEXT_DETAILED_INFORMATION*>(detailed.data());
        for (DWORD index = 2; index <= info->ulAssemblyCount; ++index) {
            const std::vector<BYTE> assembly =
                QueryContext(context, AssemblyDetailedInformationInActivationContext, &index);
            if (assembly.size() < sizeof(ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION))
                continue;
            const auto* details =
                reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(assembly.data());
            if (details->lpAssemblyEncodedAssemblyIdentity)
                std::printf("dependency %ls\n", details->lpAssemblyEncodedAssemblyIdentity);
        }
    }
    ReleaseActCtx(context);
    return 0;
}

// The middle third of the screen, read through the screen's DC as 32-bit BGRX:
// where the particles stream, and small enough to be read in a few milliseconds.
std::vector<DWORD> CaptureScreen()
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN) / 3;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, height, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

int SendPower(const char* event, bool watch)
{
    // A setting's change, or without a setting the event that is the value.
    const struct {
        const char* name;
        const GUID* setting;
        DWORD value;
    } events[] = {{"display-off", &GUID_CONSOLE_DISPLAY_STATE, 0}, {"display-on", &GUID_CONSOLE_DISPLAY_STATE, 1},
                  {"display-dim", &GUID_CONSOLE_DISPLAY_STATE, 2}, {"mains", &GUID_ACDC_POWER_SOURCE, 0},
                  {"battery", &GUID_ACDC_POWER_SOURCE, 1},         {"ups", &GUID_ACDC_POWER_SOURCE, 2},
                  {"battery-saver-off", &kPowerSavingStatus, 0},   {"battery-saver-on", &kPowerSavingStatus, 1},
                  {"energy-saver-off", &kEnergySaverStatus, 0},    {"energy-saver-standard", &kEnergySaverStatus, 1},
                  {"energy-saver-high", &kEnergySaverStatus, 2},   {"suspend", nullptr, PBT_APMSUSPEND},
                  {"resume", nullptr, PBT_APMRESUMESUSPEND}};
    const auto chosen = std::find_if(std::begin(events), std::end(events),
                                     [event](const auto& known) { return std::strcmp(event, known.name) == 0; });
    if (chosen == std::end(events))
        return kUsage;
    const WPARAM code = chosen->setting ? PBT_POWERSETTINGCHANGE : chosen->value;
    struct {
        GUID setting;
        DWORD dataLength;
        DWORD data;
    } notice = {chosen->setting ? *chosen->setting : GUID(), sizeof(DWORD), chosen->value};
    HWND window = FindWindowA("dozozed_udova", nullptr);
    if (!window)
        return kNotFound;
    LPARAM data = 0;
    if (code == PBT_POWERSETTINGCHANGE) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        HANDLE saver = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, id);
        void* remote = saver ? VirtualAllocEx(saver, nullptr, sizeof notice, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)
                             : nullptr;
        if (!remote || !WriteProcessMemory(saver, remote, &notice, sizeof notice, nullptr))
            return kNotFound;
        CloseHandle(saver);  // the page stays: a few bytes the saver's end takes with it
        data = reinterpret_cast<LPARAM>(remote);
    }
    const std::vector<DWORD> before = watch ? CaptureScreen() : std::vector<DWORD>();
    const DWORD start = GetTickCount();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, WM_POWERBROADCAST, code, data, SMTO_ABORTIFHUNG, 5000, &result))
        return kNotFound;
    if (!watch)
        return 0;
    while (GetTickCount() - start < 3000) {
        if (CaptureScreen() != before) {
            std::printf("changed %lu\n", GetTickCount() - start);
            return 0;
        }
    }
    std::printf("unchanged\n");
    return 0;
}

// Notices as fast as the saver takes them: each send waits for its answer.
int SendPowerStorm(DWORD milliseconds)
{
    const DWORD start = GetTickCount();
    for (unsigned count = 0; GetTickCount() - start < milliseconds; ++count) {
        HWND window = FindWindowA("dozozed_udova", nullptr);
        DWORD_PTR result = 0;
        if (!window || !SendMessageTimeoutA(window, WM_POWERBROADCAST, count % 2 ? PBT_APMRESUMESUSPEND : PBT_APMSUSPEND,
                                            0, SMTO_ABORTIFHUNG, 5000, &result))
            return kNotFound;
    }
    // Awake at the end.
    return SendPower("resume", false);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "launch") == 0)
        return Launch(argv[2], argv[3]);
    if (argc >= 3 && std::strcmp(argv[1], "window") == 0) {
        HWND window = WaitForWindow(argv[2], argc >= 4 ? DWORD(std::atol(argv[3])) : 5000);
        if (!window)
            return kNotFound;
        std::printf("window %p 0x%08lx ", static_cast<void*>(GetWindow(window, GW_OWNER)),
                    static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)));
        PrintText(window);
        EnumChildWindows(window, PrintChild, 0);
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "press") == 0) {
        HWND window = WaitForWindow(argv[2], 5000);
        if (!window)
            return kNotFound;
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(std::atoi(argv[3]), BN_CLICKED), 0);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "monitors") == 0) {
        EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, 0);
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "windows") == 0) {
        EnumWindows(PrintWindowOfClass, reinterpret_cast<LPARAM>(argv[2]));
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "version") == 0)
        return PrintVersion(argv[2]);
    if (argc >= 3 && std::strcmp(argv[1], "manifest") == 0)
        return PrintManifest(argv[2]);
    if (argc >= 4 && std::strcmp(argv[1], "hold") == 0) {
        // As a program that is not ours might: no one else may write, rename or delete it meanwhile.
        HANDLE file = CreateFileA(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return kNotFound;
        std::printf("held\n");
        std::fflush(stdout);
        Sleep(DWORD(std::atol(argv[3])));
        CloseHandle(file);
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "power") == 0)
        return SendPower(argv[2], argc >= 4 && std::strcmp(argv[3], "watch") == 0);
    if (argc >= 3 && std::strcmp(argv[1], "storm") == 0)
        return SendPowerStorm(DWORD(std::atol(argv[2])));
    std::fprintf(stderr, "usage: win_probe launch APP \"CMDLINE\" | window CAPTION [MS] | press CAPTION ID | monitors"
                         " | windows CLASS | version FILE | manifest FILE | hold FILE MS | power EVENT [watch] | storm MS\n");
    return kUsage;
}
