// The library's exported calls: the portable library with the Windows parts
// (waveOut output, ACM decoding). Its calls throw nothing, so nothing crosses
// the C boundary.
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
// lost the worker thread, and joining it then would hang.
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
    return Library().CreateStream(mem != FALSE, file, offset, length);
}

BOOL WINAPI BASS_StreamPlay(DWORD handle, BOOL flush, DWORD flags)
{
    return Library().Play(handle, flush != FALSE, (flags & BASS_SAMPLE_LOOP) != 0);
}

BOOL WINAPI BASS_StreamFree(DWORD handle)
{
    return Library().FreeStream(handle);
}

BOOL WINAPI BASS_Stop()
{
    return Library().Stop();
}

BOOL WINAPI BASS_Free()
{
    return Library().Free();
}
