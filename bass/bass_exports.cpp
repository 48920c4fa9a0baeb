// The library's exported calls: the portable library with the Windows parts.
// Its calls throw nothing, so nothing crosses the C boundary.
#include "bass/bass.h"

#include <new>

#include "bass/acm_decoder.h"
#include "bass/audio_library.h"
#include "bass/wave_out_device.h"

namespace {
constexpr DWORD kMinimumRate = 8000;
constexpr DWORD kMaximumRate = 192000;

// Built in place on first use, without allocating, and deliberately never
// destroyed at process exit: a process that ends without BASS_Free has already
// lost the worker thread, and freeing the library then would wait for it in vain.
AudioLibrary& Library()
{
    alignas(AudioLibrary) static unsigned char storage[sizeof(AudioLibrary)];
    static AudioLibrary* const library = new (storage) AudioLibrary(OpenWaveOutDevice, CreateAcmDecoder);
    return *library;
}
}  // namespace

BOOL WINAPI BASS_Init(int device, DWORD freq, DWORD, HWND)
{
    if (freq == 0)
        freq = BASS_DEFAULT_RATE;
    if (freq < kMinimumRate || freq > kMaximumRate || (device != BASS_DEFAULT_DEVICE && device < 1))
        return FALSE;
    return Library().Init(device, freq);
}

BOOL WINAPI BASS_Start()
{
    return Library().Start();
}

DWORD WINAPI BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD)
{
    if (mem || offset != 0 || length != 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    return Library().StreamCreateFile(static_cast<const char*>(file));
}

BOOL WINAPI BASS_StreamPlay(DWORD handle, BOOL flush, DWORD flags)
{
    return Library().StreamPlay(handle, flush != FALSE, (flags & BASS_SAMPLE_LOOP) != 0);
}

BOOL WINAPI BASS_StreamFree(DWORD handle)
{
    return Library().StreamFree(handle);
}

BOOL WINAPI BASS_Stop()
{
    return Library().Stop();
}

BOOL WINAPI BASS_Free()
{
    return Library().Free();
}
