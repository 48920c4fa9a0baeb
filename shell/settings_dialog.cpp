// The settings dialog: gSettings shown in dialog 103, stored again only on OK.
#include "shell/settings_dialog.h"

#include <commdlg.h>

#include <cstring>

#include "resources/resource_ids.h"
#include "shell/globals.h"
#include "shell/saver_settings.h"

namespace {

// Two pairs of zero-terminated texts and the extra zero that ends the block.
constexpr char kMusicFilter[] = "MP3 files (*.mp3)\0*.mp3\0All files (*.*)\0*.*\0";
static_assert(sizeof kMusicFilter == 45, "the filter block ends in two zeros");
constexpr char kBrowseTitle[] = "Open mp3";
constexpr DWORD kFirstFilterPair = 0;
// The edit box may hold more than the record keeps: 254 characters and the zero.
constexpr int kMusicFileNameCount = sizeof gSettings->musicFileName - 1;

void ShowSettings(HWND dialog)
{
    // The stored values go in unchanged: a nonzero value other than 1 is passed on
    // as it is, as the registry may hold one.
    CheckDlgButton(dialog, IDC_FLOOR, UINT(gSettings->floor));
    CheckDlgButton(dialog, IDC_MOVING, UINT(gSettings->moving));
    CheckDlgButton(dialog, IDC_ATTRACTIVE, UINT(gSettings->attractive));
    CheckDlgButton(dialog, IDC_MUSIC, UINT(gSettings->music));
    CheckDlgButton(dialog, IDC_EVERY_MONITOR, UINT(gSettings->everyMonitor));
    CheckDlgButton(dialog, IDC_KEEP_PROPORTIONS, UINT(gSettings->keepProportions));
    CheckDlgButton(dialog, IDC_SAVE_POWER, UINT(gSettings->savePower));
    SetDlgItemTextA(dialog, IDC_MUSIC_FILE, gSettings->musicFileName);
}

int32_t IsChecked(HWND dialog, int control)
{
    return IsDlgButtonChecked(dialog, control) == BST_CHECKED ? 1 : 0;
}

void StoreSettings(HWND dialog)
{
    gSettings->floor = IsChecked(dialog, IDC_FLOOR);
    gSettings->moving = IsChecked(dialog, IDC_MOVING);
    gSettings->attractive = IsChecked(dialog, IDC_ATTRACTIVE);
    gSettings->music = IsChecked(dialog, IDC_MUSIC);
    gSettings->everyMonitor = IsChecked(dialog, IDC_EVERY_MONITOR);
    gSettings->keepProportions = IsChecked(dialog, IDC_KEEP_PROPORTIONS);
    gSettings->savePower = IsChecked(dialog, IDC_SAVE_POWER);
    // All 256 bytes are written to the registry: none of an earlier, longer path
    // may follow the new terminator there.
    std::memset(gSettings->musicFileName, 0, sizeof gSettings->musicFileName);
    GetDlgItemTextA(dialog, IDC_MUSIC_FILE, gSettings->musicFileName, kMusicFileNameCount);
    gSettings->SaveSettings();
}

void BrowseForMusic(HWND dialog)
{
    // The file dialog always starts with an empty name, whatever the edit box holds.
    char fileName[sizeof gSettings->musicFileName] = {};
    OPENFILENAMEA request;
    std::memset(&request, 0, OPENFILENAME_SIZE_VERSION_400A);
    // The short form of the structure, without the fields of later systems.
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = dialog;
    request.hInstance = gInstance;
    request.lpstrFilter = kMusicFilter;
    request.nFilterIndex = kFirstFilterPair;
    request.lpstrFile = fileName;
    request.nMaxFile = sizeof fileName;
    request.lpstrTitle = kBrowseTitle;
    request.Flags = OFN_FILEMUSTEXIST;
    // Cancelled or failed: the edit box keeps its text.
    if (GetOpenFileNameA(&request))
        SetDlgItemTextA(dialog, IDC_MUSIC_FILE, fileName);
}

}  // namespace

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        ShowSettings(dialog);
        // The system's own first focus leaves OK the default button, so Enter would
        // save at once; moving the focus through the dialog manager makes the
        // focused Cancel the button that Enter presses, until the focus moves on.
        SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDCANCEL)), TRUE);
        // True lets the system focus the first tab stop, the Cancel button, itself.
        return TRUE;
    case WM_COMMAND:
        // The notification code in the high word does not matter.
        switch (LOWORD(wParam)) {
        case IDC_BROWSE:
            BrowseForMusic(dialog);
            break;
        case IDOK:
            StoreSettings(dialog);
            EndDialog(dialog, IDOK);
            break;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            break;
        }
        return FALSE;
    }
    return FALSE;
}
