// The password change: the system's provider does all of it, the saver keeps no
// password of its own.
#include "shell/password_change.h"

namespace {

constexpr char kProviderLibrary[] = "MPR.DLL";
constexpr char kProviderFunction[] = "PwdChangePasswordA";
// The provider's registry key name for screen-saver passwords.
constexpr char kScreenSaverKeyName[] = "SCRSAVE";

using PwdChangePasswordFunction = DWORD(WINAPI*)(LPCSTR keyName, HWND parent, DWORD reserved1, DWORD reserved2);

}  // namespace

void ChangePassword(HWND parent)
{
    HMODULE library = LoadLibraryA(kProviderLibrary);
    if (!library)
        return;  // no provider on this system: nothing to do
    // GetProcAddress hands out a generic pointer; the provider's signature is fixed.
    auto changePassword =
        reinterpret_cast<PwdChangePasswordFunction>(reinterpret_cast<void*>(GetProcAddress(library, kProviderFunction)));
    if (changePassword)
        changePassword(kScreenSaverKeyName, parent, 0, 0);  // the result is ignored
    FreeLibrary(library);
}
