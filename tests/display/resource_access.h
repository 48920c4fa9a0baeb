#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

// The bytes of resource (id, type) of the test program itself; empty when missing.
inline std::vector<uint8_t> ResourceBytes(int id, LPCSTR type)
{
    const HMODULE module = GetModuleHandleA(nullptr);
    const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found)
        return {};
    const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    return std::vector<uint8_t>(bytes, bytes + SizeofResource(module, found));
}
