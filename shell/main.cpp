// The entry point: reads the screen-saver command line, loads the settings and
// runs the mode. The only place where errors reach the user, and where the exit
// code is decided: 0 after any normal run or an unrecognised switch, 255 after
// an error box.
#include <windows.h>

#include <cstdint>
#include <memory>

#include "display/saver.h"
#include "resources/resource_ids.h"
#include "shell/command_line.h"
#include "shell/exception.h"
#include "shell/globals.h"
#include "shell/password_change.h"
#include "shell/saver_settings.h"
#include "shell/settings_dialog.h"

namespace {

constexpr int kExitNormal = 0;
constexpr int kExitError = 255;
constexpr char kErrorCaption[] = "Zuvarir Error";

void RunMode()
{
    switch (gMode) {
    case ModeChangePassword:
        ChangePassword(gWindowHandle);
        break;
    case ModeConfigure:
        // The dialog's result is of no interest: OK has already stored the settings.
        DialogBoxParamA(gInstance, MAKEINTRESOURCEA(IDD_SETTINGS), gWindowHandle, SettingsDialogProc, 0);
        break;
    case ModePreview:
    case ModeSaver: {
        Saver saver;
        while (saver.PumpMessage()) {
        }
        break;
    }
    }
}

// The one way an error reaches the user. The primary's window left by a failed
// set-up stays until the process ends; as a full-screen top-most popup it would
// hide the box, so it goes out of sight first, with the other monitors' windows
// that it owns.
int ReportError(const char* text, const char* caption, UINT style)
{
    if (gSettings && gSettings->windowHandle) {
        ShowOwnedPopups(gSettings->windowHandle, FALSE);
        ShowWindow(gSettings->windowHandle, SW_HIDE);
    }
    MessageBoxA(nullptr, text, caption, style);
    return kExitError;
}

// The exit code, once everything of ours has ended. A view's thread that
// outlived its stop may hold the graphics driver, whose teardown at an ordinary
// exit would then wait for it, holding the saver on screen: the process ends at
// once instead, and the system reclaims what it held.
int EndWith(int code)
{
    if (SaverLeftThreads())
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
    return code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    gInstance = instance;

    const CommandLine commandLine = ParseCommandLine(GetCommandLineA());
    if (!commandLine.recognised)
        return kExitNormal;
    gMode = commandLine.mode;
    gWindowHandle = commandLine.useForegroundWindow
                        ? GetForegroundWindow()
                        : reinterpret_cast<HWND>(static_cast<intptr_t>(commandLine.windowHandle));

    std::unique_ptr<SaverSettings> settings;
    try {
        // An allocation failure here is reported like any other unexpected exception.
        settings = std::make_unique<SaverSettings>();
        gSettings = settings.get();
        gSettings->LoadSystemSettings();
        gSettings->LoadSettings();
        RunMode();
    } catch (Exception& failure) {
        return EndWith(ReportError(failure.message, kErrorCaption, MB_OK | MB_ICONWARNING));
    } catch (...) {
        return EndWith(ReportError("Unknown Exception", "Error", MB_OK));
    }
    gSettings = nullptr;
    return EndWith(kExitNormal);
}
