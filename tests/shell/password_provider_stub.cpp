// A stand-in for the system's password provider, MPR.DLL: it records its loading,
// its unloading (by FreeLibrary or at the end of the process) and every call, one
// line each, to the file named by ZUVARIR_PASSWORD_LOG, and shows nothing. Built
// with PROVIDER_EXPORT undefined it lacks the provider function, as a system
// without the provider would.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Record(const char* format, ...)
{
    const char* path = std::getenv("ZUVARIR_PASSWORD_LOG");
    if (!path)
        return;
    FILE* log = std::fopen(path, "a");
    if (!log)
        return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(log, format, arguments);
    va_end(arguments);
    std::fputc('\n', log);
    std::fclose(log);
}

}  // namespace

#ifdef PROVIDER_EXPORT
extern "C" __declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR keyName, HWND parent, DWORD reserved1,
                                                                  DWORD reserved2)
{
    Record("call %s %lu %lu %lu", keyName ? keyName : "(null)", HandleToULong(parent),
           static_cast<unsigned long>(reserved1), static_cast<unsigned long>(reserved2));
    return ERROR_SUCCESS;
}
#else
// Something to export, so that the library is a normal one without the provider.
extern "C" __declspec(dllexport) DWORD WINAPI WNetGetLastErrorA(LPDWORD, LPSTR, DWORD, LPSTR, DWORD)
{
    return ERROR_NOT_SUPPORTED;
}
#endif

// A detach without the reserved pointer comes from FreeLibrary, one with it from
// the end of the process.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        Record("load");
    else if (reason == DLL_PROCESS_DETACH)
        Record(reserved ? "unload at exit" : "unload");
    return TRUE;
}
