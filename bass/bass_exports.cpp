// The library's exported calls: argument checks and the one engine.
#include "bass/bass.h"

#include <mutex>

#include "bass/audio_engine.h"
#include "bass/stream_factory.h"

namespace {
constexpr int kDefaultDevice = -1;
constexpr DWORD kDefaultRate = 44100;
constexpr DWORD kMinimumRate = 8000;
constexpr DWORD kMaximumRate = 192000;

std::mutex gLibraryLock;
// Deliberately never destroyed at process exit: a process that ends without
// BASS_Free has already lost the worker thread, and joining it then would hang.
AudioEngine* gEngine = nullptr;
}  // namespace

BOOL WINAPI BASS_Init(int device, DWORD freq, DWORD, HWND)
{
    std::lock_guard<std::mutex> guard(gLibraryLock);
    if (gEngine)
        return FALSE;
    if (freq == 0)
        freq = kDefaultRate;
    if (freq < kMinimumRate || freq > kMaximumRate || (device != kDefaultDevice && device < 1))
        return FALSE;
    const UINT id = device == kDefaultDevice ? WAVE_MAPPER : UINT(device - 1);
    gEngine = AudioEngine::Create(id, freq).release();
    return gEngine != nullptr;
}

BOOL WINAPI BASS_Start()
{
    std::lock_guard<std::mutex> guard(gLibraryLock);
    if (!gEngine)
        return FALSE;
    gEngine->Start();
    return TRUE;
}

DWORD WINAPI BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD)
{
    std::lock_guard<std::mutex> guard(gLibraryLock);
    if (!gEngine)
        return 0;
    std::unique_ptr<Stream> stream = OpenStream(mem != FALSE, file, offset, length, gEngine->rate);
    if (!stream)
        return 0;
    return gEngine->AddStream(std::move(stream));
}

BOOL WINAPI BASS_StreamPlay(DWORD handle, BOOL flush, DWORD flags)
{
    std::lock_guard<std::mutex> guard(gLibraryLock);
    if (!gEngine)
        return FALSE;
    return gEngine->Play(handle, flush != FALSE, (flags & BASS_SAMPLE_LOOP) != 0);
}

BOOL WINAPI BASS_StreamFree(DWORD handle)
{
    std::lock_guard<std::mutex> guard(gLibraryLock);
    if (!gEngine)
        return FALSE;
    return gEngine->FreeStream(handle);
}

BOOL WINAPI BASS_Stop()
{
    std::lock_guard<std::mutex> guard(gLibraryLock);
    if (!gEngine)
        return FALSE;
    gEngine->Stop();
    return TRUE;
}

BOOL WINAPI BASS_Free()
{
    std::lock_guard<std::mutex> guard(gLibraryLock);
    if (!gEngine)
        return FALSE;
    delete gEngine;
    gEngine = nullptr;
    return TRUE;
}
