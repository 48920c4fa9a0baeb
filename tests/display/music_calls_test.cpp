// The saver's music calls as the audio library sees them: this program runs
// beside a recording stand-in BASS.dll that logs every call with its arguments.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "display/saver.h"
#include "display/music.h"
#include "shell/globals.h"
#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

namespace {

constexpr DWORD kRecordedHandle = 0x51;  // what the stand-in returns for an existing file

std::string LogPath()
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "zuvarir_music_calls.log";
}

std::vector<std::string> RecordedCalls()
{
    std::vector<std::string> calls;
    std::ifstream log(LogPath());
    for (std::string line; std::getline(log, line);)
        calls.push_back(line);
    return calls;
}

// A fresh log, a settings record with music as given, and the library's result for BASS_Init.
struct Run {
    Run(SaverMode mode, bool music, const char* path, bool initSucceeds)
    {
        std::remove(LogPath().c_str());
        SetEnvironmentVariableA("ZUVARIR_BASS_RECORD", LogPath().c_str());
        SetEnvironmentVariableA("ZUVARIR_BASS_INIT_RESULT", initSucceeds ? "1" : "0");
        gMode = mode;
        gSettings = &settings;
        settings.music = music;
        std::snprintf(settings.musicFileName, sizeof settings.musicFileName, "%s", path);
        gMusicStream = 0;
    }
    ~Run() { gSettings = nullptr; }
    SaverSettings settings;
};

// An existing file: this program itself.
std::string ExistingFile()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string Hex(const void* handle)
{
    return std::to_string(reinterpret_cast<uintptr_t>(handle));
}

}  // namespace

TEST_CASE("the music makes exactly the library calls its settings and the mode call for")
{
    const HWND window = reinterpret_cast<HWND>(0x1234);
    gWindowHandle = window;
    const std::string file = ExistingFile();
    const std::string init = "BASS_Init -1 44100 0 " + Hex(window);

    SUBCASE("the preview with music on makes no call")
    {
        Run run(ModePreview, true, file.c_str(), true);
        StartMusic();
        StopMusic();
        CHECK(RecordedCalls().empty());
        CHECK(gMusicStream == 0);
    }
    SUBCASE("music off makes no call")
    {
        Run run(ModeSaver, false, file.c_str(), true);
        StartMusic();
        StopMusic();
        CHECK(RecordedCalls().empty());
    }
    SUBCASE("a failed initialisation is the only call, at start and at stop")
    {
        Run run(ModeSaver, true, file.c_str(), false);
        StartMusic();
        StopMusic();
        CHECK(RecordedCalls() == std::vector<std::string>{init});
        CHECK(gMusicStream == 0);
    }
    SUBCASE("a stream that cannot be created: init, start, the attempt, and nothing at stop")
    {
        Run run(ModeSaver, true, kUnreadableMusicFileName, true);
        StartMusic();
        StopMusic();
        CHECK(RecordedCalls() == std::vector<std::string>{
                                     init, "BASS_Start",
                                     std::string("BASS_StreamCreateFile 0 ") + kUnreadableMusicFileName + " 0 0 0"});
        CHECK(gMusicStream == 0);
    }
    SUBCASE("a playing stream loops, and at stop is freed before the output stops and the library goes")
    {
        Run run(ModeSaver, true, file.c_str(), true);
        StartMusic();
        CHECK(gMusicStream == kRecordedHandle);
        StopMusic();
        CHECK(RecordedCalls() == std::vector<std::string>{
                                     init, "BASS_Start", "BASS_StreamCreateFile 0 " + file + " 0 0 0",
                                     "BASS_StreamPlay 81 0 4", "BASS_StreamFree 81", "BASS_Stop", "BASS_Free"});
        CHECK(gMusicStream == kRecordedHandle);  // kept after the stop
    }
}

namespace {
std::vector<std::string> gViewAtCall;
void NoteView(const char* call)
{
    const bool drawing = SaverAlive() && gSaver->PrimaryView() && gSaver->PrimaryView()->IsDrawing();
    gViewAtCall.push_back(std::string(call) + (drawing ? " drawing" : " not drawing"));
}
}  // namespace

TEST_CASE("the saver starts the music once its view draws and stops it before the view stops")
{
    using Observer = void (*)(const char*);
    auto setObserver = reinterpret_cast<void (*)(Observer)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("BASS.dll"), "RecordingSetObserver")));
    const bool standInLoaded = setObserver != nullptr;
    REQUIRE(standInLoaded);
    setObserver(NoteView);
    gInstance = GetModuleHandleA(nullptr);
    const std::string file = ExistingFile();
    Run run(ModeSaver, true, file.c_str(), true);
    {
        Saver saver;
        CHECK(RecordedCalls().front() == "BASS_Init -1 44100 0 " + Hex(gWindowHandle));
    }
    setObserver(nullptr);
    CHECK(gViewAtCall == std::vector<std::string>{"BASS_Init drawing", "BASS_Start drawing",
                                                  "BASS_StreamCreateFile drawing", "BASS_StreamPlay drawing",
                                                  "BASS_StreamFree drawing", "BASS_Stop drawing",
                                                  "BASS_Free drawing"});
}
