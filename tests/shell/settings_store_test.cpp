// The settings record against Wine's real registry, under the current user.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/saver_settings.h"
#include "tests/shell/stored_value.h"

namespace {

constexpr char kProgramKey[] = "Software\\ZidaveVizur";
constexpr char kSystemKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Screen Savers";

void DeleteKey(const char* path)
{
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

void SetValue(const char* path, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
            ERROR_SUCCESS);
    REQUIRE(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS);
    RegCloseKey(key);
}

void SetDword(const char* path, const char* name, DWORD value)
{
    SetValue(path, name, REG_DWORD, &value, sizeof value);
}

void CreateEmptyKey(const char* path)
{
    HKEY key;
    REQUIRE(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
            ERROR_SUCCESS);
    RegCloseKey(key);
}

// A record as the entry makes it: constructed, then both loads in order.
SaverSettings Loaded()
{
    SaverSettings settings;
    settings.LoadSystemSettings();
    settings.LoadSettings();
    return settings;
}

}  // namespace

TEST_CASE("a user without the program's key gets the built-in defaults")
{
    DeleteKey(kProgramKey);
    const SaverSettings settings = Loaded();
    CHECK(settings.attractive == 0);
    CHECK(settings.moving == 1);
    CHECK(settings.floor == 0);
    CHECK(settings.music == 0);
    CHECK(settings.everyMonitor == 1);
    CHECK(std::string(settings.musicFileName) == "c:/mp3/Various/nightfall.mp3");
    CHECK(settings.windowHandle == nullptr);
}

TEST_CASE("the program's key is read value by value, each missing one keeping its default")
{
    DeleteKey(kProgramKey);

    SUBCASE("a key without a music file name reads the flags as stored")
    {
        SetDword(kProgramKey, "Floor", 1);
        SetDword(kProgramKey, "Moving", 0);
        SetDword(kProgramKey, "Attractive", 1);
        SetDword(kProgramKey, "Music", 1);
        const SaverSettings settings = Loaded();
        CHECK(settings.floor == 1);
        CHECK(settings.moving == 0);
        CHECK(settings.attractive == 1);
        CHECK(settings.music == 1);
        CHECK(settings.everyMonitor == 1);  // absent in the key too: every monitor draws
        CHECK(settings.keepProportions == 1);  // undistorted, and saving power
        CHECK(settings.savePower == 1);
        CHECK(std::string(settings.musicFileName) == "Couldn't load filename from registry");
    }
    SUBCASE("a key with only Floor")
    {
        SetDword(kProgramKey, "Floor", 1);
        const SaverSettings settings = Loaded();
        CHECK(settings.floor == 1);
        CHECK(settings.moving == 1);
        CHECK(settings.attractive == 0);
        CHECK(settings.music == 0);
        CHECK(std::string(settings.musicFileName) == "Couldn't load filename from registry");
    }
    SUBCASE("an empty key")
    {
        CreateEmptyKey(kProgramKey);
        const SaverSettings settings = Loaded();
        CHECK(settings.moving == 1);
        CHECK(std::string(settings.musicFileName) == "Couldn't load filename from registry");
    }
    SUBCASE("any non-zero flag is kept as stored")
    {
        SetDword(kProgramKey, "Attractive", 7);
        CHECK(Loaded().attractive == 7);
    }
    SUBCASE("a flag stored in fewer than four bytes fills the low bytes and zeroes the rest")
    {
        const BYTE one = 0x05;
        SetValue(kProgramKey, "Floor", REG_BINARY, &one, 1);
        CHECK(Loaded().floor == 5);
    }
    SUBCASE("a flag stored in more than four bytes keeps its default")
    {
        const BYTE eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
        SetValue(kProgramKey, "Moving", REG_BINARY, eight, sizeof eight);
        SetValue(kProgramKey, "Music", REG_BINARY, eight, sizeof eight);
        const SaverSettings settings = Loaded();
        CHECK(settings.moving == 1);
        CHECK(settings.music == 0);
    }
    DeleteKey(kProgramKey);
}

TEST_CASE("the music file name is taken only when it fits the 256-byte buffer")
{
    DeleteKey(kProgramKey);

    SUBCASE("a stored path is read back")
    {
        const char path[] = "C:\\music\\loop.mp3";
        SetValue(kProgramKey, "MusicFileName", REG_SZ, path, sizeof path);
        CHECK(std::string(Loaded().musicFileName) == path);
    }
    SUBCASE("a shorter path leaves no trace of the default after its terminator")
    {
        const char path[] = "a.mp3";
        SetValue(kProgramKey, "MusicFileName", REG_SZ, path, sizeof path);
        const SaverSettings settings = Loaded();
        CHECK(std::string(settings.musicFileName) == path);
        for (size_t i = sizeof path; i < sizeof settings.musicFileName; ++i)
            REQUIRE(settings.musicFileName[i] == '\0');
    }
    SUBCASE("a path of 300 characters is treated like a missing one")
    {
        const std::string path(300, 'x');
        SetValue(kProgramKey, "MusicFileName", REG_SZ, path.c_str(), DWORD(path.size() + 1));
        CHECK(std::string(Loaded().musicFileName) == "Couldn't load filename from registry");
    }
    SUBCASE("256 bytes without a terminating zero still give a zero-terminated path")
    {
        const std::vector<BYTE> bytes(256, 'y');
        SetValue(kProgramKey, "MusicFileName", REG_BINARY, bytes.data(), DWORD(bytes.size()));
        const SaverSettings settings = Loaded();
        CHECK(std::string(settings.musicFileName) == std::string(255, 'y'));
    }
    SUBCASE("a value of under 256 bytes without a terminator ends where its data ends")
    {
        const BYTE bytes[3] = {'a', 'b', 'c'};
        SetValue(kProgramKey, "MusicFileName", REG_BINARY, bytes, sizeof bytes);
        CHECK(std::string(Loaded().musicFileName) == "abc");
    }
    DeleteKey(kProgramKey);
}

TEST_CASE("the mouse threshold comes from the system's screen-saver key, 50 when unreadable")
{
    DeleteKey(kSystemKey);
    SUBCASE("no key")
    {
        CHECK(Loaded().mouseThreshold == 50);
    }
    SUBCASE("a key without the value")
    {
        CreateEmptyKey(kSystemKey);
        CHECK(Loaded().mouseThreshold == 50);
    }
    SUBCASE("a stored threshold")
    {
        SetDword(kSystemKey, "Mouse Threshold", 12);
        CHECK(Loaded().mouseThreshold == 12);
    }
    SUBCASE("the value's type is ignored: four bytes of any type are the number")
    {
        const BYTE bytes[4] = {0x10, 0x01, 0, 0};
        SetValue(kSystemKey, "Mouse Threshold", REG_BINARY, bytes, sizeof bytes);
        CHECK(Loaded().mouseThreshold == 0x110);
    }
    SUBCASE("more than four bytes keep the default")
    {
        const char text[] = "12345678";
        SetValue(kSystemKey, "Mouse Threshold", REG_SZ, text, sizeof text);
        CHECK(Loaded().mouseThreshold == 50);
    }
    DeleteKey(kSystemKey);
}

TEST_CASE("a fresh record saves zeros after the terminator of its path")
{
    DeleteKey(kProgramKey);
    SaverSettings settings;
    settings.SaveSettings();
    const StoredValue path = ReadStoredValue(kProgramKey, "MusicFileName");
    REQUIRE(path.data.size() == 256);
    const size_t length = std::strlen("c:/mp3/Various/nightfall.mp3");
    CHECK(std::string(reinterpret_cast<const char*>(path.data.data())) == "c:/mp3/Various/nightfall.mp3");
    for (size_t i = length; i < path.data.size(); ++i)
        REQUIRE(path.data[i] == 0);
    DeleteKey(kProgramKey);
}

TEST_CASE("saving creates the program's key with eight values and a 256-byte path")
{
    DeleteKey(kProgramKey);
    SaverSettings settings;
    settings.floor = 1;
    settings.moving = 0;
    settings.attractive = 1;
    settings.music = 1;
    settings.everyMonitor = 0;
    settings.keepProportions = 0;
    settings.savePower = 0;
    std::strcpy(settings.musicFileName, "C:\\songs\\rain.mp3");
    settings.SaveSettings();

    const char* const flags[] = {"Floor", "Attractive", "Moving", "Music", "EveryMonitor", "KeepProportions", "SavePower"};
    const DWORD expected[] = {1, 1, 0, 1, 0, 0, 0};
    for (int i = 0; i < 7; ++i) {
        CAPTURE(flags[i]);
        const StoredValue value = ReadStoredValue(kProgramKey, flags[i]);
        REQUIRE(value.present);
        CHECK(value.type == REG_DWORD);
        REQUIRE(value.data.size() == 4);
        DWORD stored;
        std::memcpy(&stored, value.data.data(), 4);
        CHECK(stored == expected[i]);
    }
    const StoredValue path = ReadStoredValue(kProgramKey, "MusicFileName");
    REQUIRE(path.present);
    CHECK(path.type == REG_SZ);
    CHECK(path.data.size() == 256);

    const SaverSettings reloaded = Loaded();
    CHECK(std::string(reloaded.musicFileName) == "C:\\songs\\rain.mp3");
    CHECK(reloaded.floor == 1);
    CHECK(reloaded.moving == 0);
    CHECK(reloaded.attractive == 1);
    CHECK(reloaded.music == 1);
    CHECK(reloaded.everyMonitor == 0);
    CHECK(reloaded.keepProportions == 0);
    CHECK(reloaded.savePower == 0);

    SUBCASE("saving again overwrites the values in place")
    {
        settings.floor = 0;
        std::strcpy(settings.musicFileName, "D:\\x.mp3");
        settings.SaveSettings();
        const SaverSettings again = Loaded();
        CHECK(again.floor == 0);
        CHECK(std::string(again.musicFileName) == "D:\\x.mp3");
        CHECK(ReadStoredValue(kProgramKey, "MusicFileName").data.size() == 256);
    }
    DeleteKey(kProgramKey);
}
