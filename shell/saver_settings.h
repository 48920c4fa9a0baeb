#pragma once
#include <cstdint>

// Windows declares HWND as a pointer to this incomplete struct, so the record
// names the same type without including windows.h.
struct HWND__;

// The user's choices and the few system values the saver needs. The entry owns
// it (gSettings); the dialog, the window, the pump, the music and the preset
// table read and write its fields directly.
struct SaverSettings {
    SaverSettings();

    // Fill the record from the registry; every failure is silent and leaves the
    // defaults in force. LoadSystemSettings comes first, then LoadSettings.
    void LoadSystemSettings();
    void LoadSettings();
    // Create or open the program's key and write the eight values there.
    void SaveSettings();
    // Post WM_CLOSE to windowHandle.
    void RequestClose();

    int32_t attractive = 0;           // "Attractive": particles are pulled toward the emitter
    int32_t moving = 0;               // "Moving": the emitter orbits
    int32_t floor = 0;                // "Floor": the ground is drawn and particles bounce
    int32_t music = 0;                // "Music": the music file loops in the background
    char musicFileName[256] = {};     // "MusicFileName": zero-terminated ANSI path
    int32_t everyMonitor = 1;         // "EveryMonitor": each monitor its own picture, not black
    int32_t keepProportions = 1;      // "KeepProportions": the picture undistorted on any screen's shape
    int32_t savePower = 1;            // "SavePower": fewer frames or none on battery and with the savers
    HWND__* windowHandle = nullptr;   // the render window, once it exists
    int32_t mouseThreshold = 0;       // pixels the cursor may travel per axis
    struct Point {
        int32_t x;
        int32_t y;
    } mouseOrigin = {0, 0};           // screen point the cursor travel is measured from
};

extern SaverSettings* gSettings;

// The path used when the program's key does not exist.
constexpr char kDefaultMusicFileName[] = "c:/mp3/Various/nightfall.mp3";
// Stands as the path when the key exists but "MusicFileName" cannot be read.
constexpr char kUnreadableMusicFileName[] = "Couldn't load filename from registry";
