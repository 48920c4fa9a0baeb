#pragma once
#include <windows.h>

// Our audio library in BASS.dll's place: plays a music file (MP3 or PCM WAV)
// through waveOut from a worker thread of its own. Any call may come from any
// thread, in any order; none throws, and none waits without a limit. A call
// with nothing to act on, or that fails (memory, thread, device, file, a worker
// that does not answer), returns FALSE or 0 and changes nothing. A device that
// fails is replaced once; one that fails again, or does not stop, ends the
// output until BASS_Free, and every other call fails meanwhile.
extern "C" {

// Opens output device `device` (BASS_DEFAULT_DEVICE, or 1 and up) for 16-bit
// stereo at `freq` Hz (0: BASS_DEFAULT_RATE; 8000 to 192000), waiting 5 s at
// most; `win` is not used. That format only checks the device: each stream
// plays at its own rate and channel count. FALSE when no device opens in time
// or the library is already initialised.
BOOL WINAPI BASS_Init(int device, DWORD freq, DWORD flags, HWND win);
// Output runs from BASS_Init on; after BASS_Stop this opens the device again
// and plays on from the first sample not yet heard. Returns without waiting.
BOOL WINAPI BASS_Start();
// Opens a file (mem FALSE: `file` is a zero-terminated ANSI path) or a block of
// memory (mem TRUE: `length` bytes at `file`, copied), from `offset`, `length`
// bytes or (0) to the end; `flags` is not used. Returns the stream's handle, or
// 0 before BASS_Init, for a missing, empty or non-audio file, and for a file
// not opened within 1.5 s (a share that does not answer: it is given up on).
// The file is read as it plays, a bounded amount at a time, and others may
// write, rename or delete it meanwhile.
DWORD WINAPI BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);
// Plays the stream, replacing the one playing (which keeps its place); `flush`
// starts it from the beginning; flags BASS_SAMPLE_LOOP repeats it until it is freed.
BOOL WINAPI BASS_StreamPlay(DWORD handle, BOOL flush, DWORD flags);
// Stops (when playing) and releases the stream, waiting 50 ms at most: when it
// returns TRUE nothing more of it sounds. Its handle is then invalid, whatever the result.
BOOL WINAPI BASS_StreamFree(DWORD handle);
// Stops the output and closes the device (so that it keeps no computer awake),
// waiting 50 ms at most: when it returns TRUE nothing more sounds.
BOOL WINAPI BASS_Stop();
// Releases the device and every stream, waiting 50 ms at most for the worker
// to end; after FALSE it is left to end by itself, and the library may be
// initialised again all the same. Not from DllMain: the worker cannot end
// while the loader lock is held.
BOOL WINAPI BASS_Free();
}

constexpr DWORD BASS_SAMPLE_LOOP = 4;
constexpr int BASS_DEFAULT_DEVICE = -1;
constexpr DWORD BASS_DEFAULT_RATE = 44100;
