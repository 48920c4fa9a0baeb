// Looks at the settings dialog of another process for the end-to-end tests.
//
//   settings_dialog_probe state [TIMEOUT_MS]    waits for "Zazezi setup", prints it
//   settings_dialog_probe files [TIMEOUT_MS]    waits for "Open mp3", prints its file name
//   settings_dialog_probe owner APP "CMDLINE"   puts a window of its own in the
//       foreground, starts APP with CMDLINE, prints whose the dialog is, cancels it
//       and prints the exit code
//   settings_dialog_probe value NAME            prints type, size and text of a
//       value in the program's key
//
// `state` prints "owner HANDLE", "focus ID", one "check ID STATE" per switch in
// the order floor, moving, attractive, music, and "text PATH" for the edit box.
// Exit code 65 when the window or value is not there.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "resources/resource_ids.h"
#include "tests/harness/wait_for_window.h"
#include "tests/shell/stored_value.h"

namespace {

constexpr int kUsage = 64;
constexpr int kNotFound = 65;
constexpr DWORD kDefaultTimeoutMs = 10000;
constexpr UINT kReplyTimeoutMs = 2000;
constexpr bool kShownOnly = true;  // a dialog is looked at once its controls are set
constexpr char kDialogCaption[] = "Zazezi setup";
constexpr char kFileDialogCaption[] = "Open mp3";
constexpr char kProgramKey[] = "Software\\ZidaveVizur";
// The file-name field of the system's file-open dialog (a combo box, or an edit
// box in the older form).
constexpr int kFileNameCombo = 0x47c;
constexpr int kFileNameEdit = 0x480;

DWORD Timeout(int argc, char** argv)
{
    return argc >= 3 ? DWORD(std::atol(argv[2])) : kDefaultTimeoutMs;
}

void PrintText(const char* label, HWND window)
{
    char text[1024] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kReplyTimeoutMs, nullptr);
    std::printf("%s %s\n", label, text);
}

int PrintState(DWORD timeoutMs)
{
    HWND dialog = WaitForWindow(kDialogCaption, timeoutMs, kShownOnly);
    if (!dialog)
        return kNotFound;
    std::printf("owner %p\n", static_cast<void*>(GetWindow(dialog, GW_OWNER)));
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread);
    std::printf("focus %d\n", thread.hwndFocus ? GetDlgCtrlID(thread.hwndFocus) : 0);
    for (int id : {IDC_FLOOR, IDC_MOVING, IDC_ATTRACTIVE, IDC_MUSIC, IDC_EVERY_MONITOR, IDC_KEEP_PROPORTIONS, IDC_SAVE_POWER}) {
        DWORD_PTR state = 0;
        SendMessageTimeoutA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kReplyTimeoutMs, &state);
        std::printf("check %d %lu\n", id, static_cast<unsigned long>(state));
    }
    PrintText("text", GetDlgItem(dialog, IDC_MUSIC_FILE));
    return 0;
}

int PrintFileDialog(DWORD timeoutMs)
{
    HWND dialog = WaitForWindow(kFileDialogCaption, timeoutMs, kShownOnly);
    if (!dialog)
        return kNotFound;
    HWND field = GetDlgItem(dialog, kFileNameCombo);
    PrintText("file", field ? field : GetDlgItem(dialog, kFileNameEdit));
    return 0;
}

LRESULT CALLBACK ForegroundProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

int PrintOwner(const char* application, const char* commandLine)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ForegroundProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "settings_dialog_probe";
    RegisterClassA(&windowClass);
    HWND mine = CreateWindowA(windowClass.lpszClassName, "Probe foreground", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600,
                              400, 200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    SetForegroundWindow(mine);
    PumpFor(500);
    std::printf("foreground %s\n", GetForegroundWindow() == mine ? "mine" : "other");

    char line[32768];
    std::snprintf(line, sizeof line, "%s", commandLine);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(application, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return kNotFound;
    HWND dialog = WaitForWindow(kDialogCaption, kDefaultTimeoutMs, kShownOnly);
    if (dialog) {
        HWND owner = GetWindow(dialog, GW_OWNER);
        std::printf("owner %s\n", owner == mine ? "mine" : owner ? "other" : "none");
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    } else {
        std::printf("owner nodialog\n");
    }
    // Ending the dialog enables its owner again, which waits for this thread.
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, kDefaultTimeoutMs, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        DispatchWaiting();
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &code);
    std::printf("exit %lu\n", static_cast<unsigned long>(code));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DestroyWindow(mine);
    return 0;
}

int PrintValue(const char* name)
{
    const StoredValue value = ReadStoredValue(kProgramKey, name);
    if (!value.present)
        return kNotFound;
    // Bytes after the first zero are counted, as a stale path there would show.
    const size_t size = value.data.size();
    const size_t length = strnlen(reinterpret_cast<const char*>(value.data.data()), size);
    size_t nonzeroAfter = 0;
    for (size_t i = length; i < size; ++i)
        nonzeroAfter += value.data[i] != 0;
    std::printf("type %lu size %u length %u nonzero-after %u\n", static_cast<unsigned long>(value.type),
                unsigned(size), unsigned(length), unsigned(nonzeroAfter));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "state") == 0)
        return PrintState(Timeout(argc, argv));
    if (argc >= 2 && std::strcmp(argv[1], "files") == 0)
        return PrintFileDialog(Timeout(argc, argv));
    if (argc >= 4 && std::strcmp(argv[1], "owner") == 0)
        return PrintOwner(argv[2], argv[3]);
    if (argc >= 3 && std::strcmp(argv[1], "value") == 0)
        return PrintValue(argv[2]);
    std::fprintf(stderr, "usage: settings_dialog_probe state|files [MS] | owner APP \"CMDLINE\" | value NAME\n");
    return kUsage;
}
