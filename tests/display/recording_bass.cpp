// A stand-in BASS.dll for the tests of the saver's music calls: the same seven
// exports, each appending one line with its arguments to the file named by
// ZUVARIR_BASS_RECORD. BASS_Init returns ZUVARIR_BASS_INIT_RESULT (default 1);
// BASS_StreamCreateFile returns kStreamHandle when the path names an existing
// file, else 0. RecordingSetObserver registers a function called on every call
// before it is logged, for tests that look at the caller's state at that moment.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bass/bass.h"

namespace {
constexpr DWORD kStreamHandle = 0x51;
constexpr DWORD kEnvironmentSize = 1024;

using Observer = void (*)(const char* call);
Observer gObserver = nullptr;

std::string Environment(const char* name)
{
    char value[kEnvironmentSize];
    const DWORD length = GetEnvironmentVariableA(name, value, kEnvironmentSize);
    return length > 0 && length < kEnvironmentSize ? std::string(value, length) : std::string();
}

void Record(const char* call, const std::string& arguments = std::string())
{
    if (gObserver)
        gObserver(call);
    const std::string path = Environment("ZUVARIR_BASS_RECORD");
    if (path.empty())
        return;
    if (std::FILE* log = std::fopen(path.c_str(), "a")) {
        std::fprintf(log, "%s%s%s\n", call, arguments.empty() ? "" : " ", arguments.c_str());
        std::fclose(log);
    }
}

std::string Numbers(std::initializer_list<long long> values)
{
    std::string out;
    for (long long v : values)
        out += (out.empty() ? "" : " ") + std::to_string(v);
    return out;
}
}  // namespace

extern "C" __declspec(dllexport) void RecordingSetObserver(Observer observer)
{
    gObserver = observer;
}

BOOL WINAPI BASS_Init(int device, DWORD freq, DWORD flags, HWND win)
{
    Record("BASS_Init", Numbers({device, freq, flags, static_cast<long long>(reinterpret_cast<uintptr_t>(win))}));
    const std::string result = Environment("ZUVARIR_BASS_INIT_RESULT");
    return result.empty() ? TRUE : std::atoi(result.c_str());
}

BOOL WINAPI BASS_Start()
{
    Record("BASS_Start");
    return TRUE;
}

DWORD WINAPI BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags)
{
    const char* path = mem ? "(memory)" : static_cast<const char*>(file);
    Record("BASS_StreamCreateFile", std::to_string(mem) + " " + path + " " + Numbers({offset, length, flags}));
    const DWORD attributes = mem ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path);
    const bool isFile = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    return isFile ? kStreamHandle : 0;
}

BOOL WINAPI BASS_StreamPlay(DWORD handle, BOOL flush, DWORD flags)
{
    Record("BASS_StreamPlay", Numbers({handle, flush, flags}));
    return TRUE;
}

BOOL WINAPI BASS_StreamFree(DWORD handle)
{
    Record("BASS_StreamFree", Numbers({handle}));
    return TRUE;
}

BOOL WINAPI BASS_Stop()
{
    Record("BASS_Stop");
    return TRUE;
}

BOOL WINAPI BASS_Free()
{
    Record("BASS_Free");
    return TRUE;
}
