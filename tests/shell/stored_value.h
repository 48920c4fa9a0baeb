// A value under HKEY_CURRENT_USER as the registry holds it, read by the settings
// tests and the settings probe: whether it is there, its type and its bytes.
#pragma once

#include <windows.h>

#include <vector>

struct StoredValue {
    bool present = false;  // false too when the key is not there
    DWORD type = 0;
    std::vector<BYTE> data;
};

inline StoredValue ReadStoredValue(const char* path, const char* name)
{
    StoredValue value;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        value.present = RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return value;
}

inline bool KeyExists(const char* path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
