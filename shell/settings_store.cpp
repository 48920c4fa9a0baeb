// The registry side of SaverSettings. Every failure is silent: what could not be
// read keeps its default, what could not be written stays as it was.
#include <windows.h>

#include <cstring>

#include "shell/saver_settings.h"

namespace {

constexpr char kProgramKey[] = "Software\\ZidaveVizur";
constexpr char kSystemKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers";
constexpr int32_t kDefaultMouseThreshold = 50;

// Full access is asked for on purpose: a key the user may read but not write
// counts as missing.
bool OpenKey(const char* path, HKEY& key)
{
    return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS;
}

// Reads at most 4 bytes of any type as a little-endian 32-bit value. Shorter data
// fills the low-order bytes and leaves the others zero. False leaves field alone.
void ReadInt32(HKEY key, const char* name, int32_t& field)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS)
        field = static_cast<int32_t>(value);
}

void WriteInt32(HKEY key, const char* name, int32_t value)
{
    const DWORD data = static_cast<DWORD>(value);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

// Replaces the path with at most 255 bytes of the given one, zeroing the whole
// buffer first so that what follows the terminating zero is never a leftover of
// an earlier path.
void SetPath(char (&buffer)[256], const char* path)
{
    std::memset(buffer, 0, sizeof buffer);
    const size_t length = strnlen(path, sizeof buffer - 1);
    std::memcpy(buffer, path, length);
}

}  // namespace

void SaverSettings::LoadSystemSettings()
{
    mouseThreshold = kDefaultMouseThreshold;
    HKEY key;
    if (!OpenKey(kSystemKey, key))
        return;
    ReadInt32(key, "Mouse Threshold", mouseThreshold);
    RegCloseKey(key);
}

void SaverSettings::LoadSettings()
{
    floor = 0;
    moving = 1;
    attractive = 0;
    music = 0;
    everyMonitor = 1;
    keepProportions = 1;
    savePower = 1;
    HKEY key;
    if (!OpenKey(kProgramKey, key))
        return;

    // Read into a zeroed buffer of the same size: a value of any type up to 256
    // bytes is taken, and the path stays zero-terminated even when the stored
    // bytes carry no terminator (the last byte is then given up for it).
    char data[sizeof musicFileName] = {};
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, "MusicFileName", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS)
        SetPath(musicFileName, data);
    else
        SetPath(musicFileName, kUnreadableMusicFileName);

    ReadInt32(key, "Floor", floor);
    ReadInt32(key, "Moving", moving);
    ReadInt32(key, "Attractive", attractive);
    ReadInt32(key, "Music", music);
    ReadInt32(key, "EveryMonitor", everyMonitor);
    ReadInt32(key, "KeepProportions", keepProportions);
    ReadInt32(key, "SavePower", savePower);
    RegCloseKey(key);
}

void SaverSettings::SaveSettings()
{
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kProgramKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, &disposition) != ERROR_SUCCESS)
        return;
    WriteInt32(key, "Floor", floor);
    WriteInt32(key, "Attractive", attractive);
    WriteInt32(key, "Moving", moving);
    WriteInt32(key, "Music", music);
    WriteInt32(key, "EveryMonitor", everyMonitor);
    WriteInt32(key, "KeepProportions", keepProportions);
    WriteInt32(key, "SavePower", savePower);
    // Always the whole buffer: the terminating zero and the bytes after it too.
    RegSetValueExA(key, "MusicFileName", 0, REG_SZ, reinterpret_cast<const BYTE*>(musicFileName), sizeof musicFileName);
    RegCloseKey(key);
}
