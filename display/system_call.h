#pragma once
#include <windows.h>

// A system function looked up at run time, for the calls that older systems do
// not have: null where `module`, one the process has loaded already, lacks it.
template <typename Call>
Call SystemCall(const char* module, const char* name)
{
    const HMODULE handle = GetModuleHandleA(module);
    return handle ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}
