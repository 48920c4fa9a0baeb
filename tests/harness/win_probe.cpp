// A small Windows tool for the end-to-end tests: starts programs with an exact
// command line and looks at (or presses) windows of other processes.
//
//   win_probe launch APPLICATION "COMMAND LINE"   runs it, returns its exit code
//   win_probe window CAPTION [TIMEOUT_MS]         waits for a top-level window and
//                                                 prints it and its children
//   win_probe press CAPTION ID                    sends WM_COMMAND ID to that window
//   win_probe monitors                            prints every monitor
//   win_probe windows CLASS                       prints the visible top-level
//                                                 windows of that class
//
// `window` prints one line for the window, "window OWNER STYLE TEXT", then one
// line per child, "child ID CLASS STYLE TEXT"; handles and styles in hex.
// `monitors` prints "monitor LEFT TOP RIGHT BOTTOM" per monitor, the primary
// one marked "primary" at the end; `windows` prints "window LEFT TOP RIGHT
// BOTTOM" per window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kUsage = 64;
constexpr int kNotFound = 65;

HWND WaitForWindow(const char* caption, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = FindWindowA(nullptr, caption))
            return window;
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(50);
    }
}

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
    std::fprintf(stderr, "usage: win_probe launch APP \"CMDLINE\" | window CAPTION [MS] | press CAPTION ID | monitors"
                         " | windows CLASS\n");
    return kUsage;
}
