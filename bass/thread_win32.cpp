// The DLL's threads: each holds a reference to the module it runs in until it
// has ended, so that a program that unloads the library after BASS_Free, while
// a file is still opening or a worker that did not answer still ends, does not
// pull the code from under it.
#include <windows.h>

#include <memory>
#include <new>
#include <utility>

#include "bass/thread_starter.h"

namespace {
struct ThreadStart {
    std::function<void()> body;
    HMODULE module;
};

DWORD WINAPI RunInModule(void* argument)
{
    HMODULE module;
    {
        std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(argument));
        module = start->module;
        try {
            start->body();
        } catch (...) {
        }
    }
    // Does not return into the module, which this may unload.
    FreeLibraryAndExitThread(module, 0);
}
}  // namespace

bool StartThread(std::function<void()> body)
{
    HMODULE module;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&RunInModule), &module))
        return false;
    auto* start = new (std::nothrow) ThreadStart{std::move(body), module};
    const HANDLE thread = start ? CreateThread(nullptr, 0, RunInModule, start, 0, nullptr) : nullptr;
    if (!thread) {
        delete start;
        FreeLibrary(module);
        return false;
    }
    CloseHandle(thread);
    return true;
}
