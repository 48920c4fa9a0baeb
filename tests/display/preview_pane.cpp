// Stands in for the display settings' preview pane in the end-to-end tests: a
// top-level window of the given size that starts the saver as its preview.
//
//   preview_pane SAVER WIDTH HEIGHT [close-at-child]
//
// Prints "pane HANDLE" once the pane exists, then, once the saver's child shows,
// "child X Y WIDTH HEIGHT" (position in the pane's client area). WM_COMMAND 2,
// posted from outside (win_probe press "Preview Pane" 2), destroys the pane; the
// program then waits for the saver and prints and returns its exit code.
// WM_COMMAND 3 hides the pane, 4 restores it, 5 minimises it. With
// close-at-child the pane looks for the child every millisecond and destroys
// itself as soon as it sees it, as a user closing the settings at once would.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kPaneTitle[] = "Preview Pane";
constexpr WPARAM kDestroyCommand = 2;
constexpr WPARAM kHideCommand = 3;
constexpr WPARAM kRestoreCommand = 4;
constexpr WPARAM kMinimiseCommand = 5;
constexpr DWORD kChildWaitMs = 30000;
constexpr DWORD kSaverExitWaitMs = 10000;
constexpr int kUsage = 64;
constexpr int kFailed = 65;

LRESULT CALLBACK PaneProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == kDestroyCommand) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_COMMAND && LOWORD(wParam) >= kHideCommand && LOWORD(wParam) <= kMinimiseCommand) {
        const int show[] = {SW_HIDE, SW_RESTORE, SW_MINIMIZE};
        ShowWindow(window, show[LOWORD(wParam) - kHideCommand]);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool closeAtChild = argc == 5 && std::strcmp(argv[4], "close-at-child") == 0;
    if (argc != 4 && !closeAtChild) {
        std::fprintf(stderr, "usage: preview_pane SAVER WIDTH HEIGHT [close-at-child]\n");
        return kUsage;
    }
    WNDCLASSA paneClass = {};
    paneClass.lpfnWndProc = PaneProc;
    paneClass.hInstance = GetModuleHandleA(nullptr);
    paneClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    paneClass.hCursor = LoadCursorA(nullptr, IDC_CROSS);
    paneClass.lpszClassName = "PreviewPane";
    RegisterClassA(&paneClass);
    HWND pane = CreateWindowExA(0, "PreviewPane", kPaneTitle, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 80, std::atoi(argv[2]),
                                std::atoi(argv[3]), nullptr, nullptr, paneClass.hInstance, nullptr);
    if (!pane)
        return kFailed;
    // A window handle's value fits 32 bits on 64-bit Windows too; the system
    // writes it in decimal on the saver's command line the same way.
    std::printf("pane %lu\n", HandleToULong(pane));
    std::fflush(stdout);

    char commandLine[1024];
    std::snprintf(commandLine, sizeof commandLine, "\"%s\" /p %lu", argv[1], HandleToULong(pane));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION saver = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &saver)) {
        std::fprintf(stderr, "cannot start %s: %lu\n", argv[1], GetLastError());
        return kFailed;
    }

    const DWORD start = GetTickCount();
    bool childShown = false;
    MSG message;
    for (;;) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                goto paneDestroyed;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (!childShown) {
            HWND child = FindWindowExA(pane, nullptr, "dozozed_udova", nullptr);
            if (child && IsWindowVisible(child)) {
                RECT rect;
                GetWindowRect(child, &rect);
                MapWindowPoints(nullptr, pane, reinterpret_cast<POINT*>(&rect), 2);
                std::printf("child %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                            rect.bottom - rect.top);
                std::fflush(stdout);
                childShown = true;
                if (closeAtChild)
                    DestroyWindow(pane);
            } else if (GetTickCount() - start > kChildWaitMs) {
                std::printf("no child\n");
                std::fflush(stdout);
                childShown = true;
            }
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, closeAtChild ? 1 : 20, QS_ALLINPUT);
    }
paneDestroyed:
    DWORD code = kFailed;
    if (WaitForSingleObject(saver.hProcess, kSaverExitWaitMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(saver.hProcess, &code);
    else
        std::printf("saver still running\n");
    std::printf("exit %lu\n", code);
    std::fflush(stdout);
    CloseHandle(saver.hThread);
    CloseHandle(saver.hProcess);
    return static_cast<int>(code);
}
