#pragma once
#include <windows.h>

// Our audio library in BASS.dll's place: plays a music file (MP3 or PCM WAV)
// through waveOut from a worker thread of its own. Any call may come from any
// thread, in any order; none throws, and none waits without a limit. A call
// with nothing to act on, or that fails (memory, thread, device, file, a worker
// that does not answer), returns FALSE or 0 and changes nothing. The device is
// open only while a stream plays. One that fails (even one that then does not
// stop: it keeps its buffers, three at most), or does not open, is tried again
// 0.5 s later, then at intervals doubling up to 5 s, and the stream plays on
// from where it stopped. One that does not stop for BASS_Stop, BASS_StreamFree
// or a flush ends the output until BASS_Free, and every other call fails meanwhile.
extern "C" {

// Checks that output device `device` (BASS_DEFAULT_DEVICE, or 1 and up) opens
// for 16-bit stereo at `freq` Hz (0: BASS_DEFAULT_RATE; 8000 to 192000),
// waiting 5 s at most, and closes it again; `win` is not used. The stream plays
// at its own rate and channel count. FALSE when no device opens in time or the
// library is already initialised.
BOOL WINAPI BASS_Init(int device, DWORD freq, DWORD flags, HWND win);
// After BASS_Stop, lets the stream play on from the first sample not yet heard;
// until then a stream plays without it. Returns without waiting.
BOOL WINAPI BASS_Start();
// Opens the file at `file`, a zero-terminated ANSI path, to play it whole;
// `flags` is not used. Returns the stream's handle, or 0 before BASS_Init, for
// a missing, empty or non-audio file, for a file not opened within 1.5 s (a
// share that does not answer: it is given up on), and while the library holds
// a stream already: there is one at a time, and a second is created only once
// the first is freed. Streams from memory (mem TRUE) and parts of a file
// (`offset` or `length` not 0) are not supported: 0, with GetLastError()
// ERROR_NOT_SUPPORTED. The file is read as it plays, a bounded amount at a
// time, and others may write, rename or delete it meanwhile.
DWORD WINAPI BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);
// Plays the stream; `flush` starts it from the beginning; flags BASS_SAMPLE_LOOP
// repeats it until it is freed.
BOOL WINAPI BASS_StreamPlay(DWORD handle, BOOL flush, DWORD flags);
// Stops (when playing) and releases the stream, waiting 50 ms at most: when it
// returns TRUE nothing more of it sounds. Its handle is then invalid, whatever the result.
BOOL WINAPI BASS_StreamFree(DWORD handle);
// Stops the output and closes the device (so that it keeps no computer awake),
// waiting 50 ms at most: when it returns TRUE nothing more sounds.
BOOL WINAPI BASS_Stop();
// Releases the device and the stream, waiting 50 ms at most for the worker
// to end; after FALSE it is left to end by itself, and the library may be
// initialised again all the same. The library's threads hold the DLL loaded
// until they end, so a program may unload it once this has returned. Not from DllMain: the worker cannot end
// while the loader lock is held.
BOOL WINAPI BASS_Free();
}

constexpr DWORD BASS_SAMPLE_LOOP = 4;
constexpr int BASS_DEFAULT_DEVICE = -1;
constexpr DWORD BASS_DEFAULT_RATE = 44100;
