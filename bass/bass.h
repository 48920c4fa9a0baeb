#pragma once
#include <windows.h>

// Our audio library in BASS.dll's place: streams a music file (MP3 or PCM WAV)
// through the default waveOut device, on a worker thread of its own, so that the
// caller never waits for decoding. Any call may come in any order or again:
// calls that find nothing to act on return FALSE (or 0) and do nothing.
extern "C" {

// Opens output device `device` (-1 the default one, 1 and up the numbered ones)
// in 16-bit stereo at `freq` Hz (0 means 44100); `win` is not used. Non-zero on
// success; FALSE when no usable device opens or the library is already initialised.
BOOL WINAPI BASS_Init(int device, DWORD freq, DWORD flags, HWND win);
// Resumes output after BASS_Stop; output runs from BASS_Init on.
BOOL WINAPI BASS_Start();
// Opens a file (mem FALSE: `file` is a zero-terminated ANSI path) or a block of
// memory (mem TRUE: `length` bytes at `file`), from `offset`, `length` bytes or
// (0) to the end; `flags` is not used. Returns the stream's handle, or 0 before
// BASS_Init and for a missing, empty, unreadable or non-audio file.
DWORD WINAPI BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);
// Plays the stream, replacing the one playing; `flush` starts it from the
// beginning; flags BASS_SAMPLE_LOOP repeats it until it is freed.
BOOL WINAPI BASS_StreamPlay(DWORD handle, BOOL flush, DWORD flags);
// Stops (when playing) and releases the stream; its handle is then invalid.
BOOL WINAPI BASS_StreamFree(DWORD handle);
// Stops the output at once, dropping what is queued; streams keep their place.
BOOL WINAPI BASS_Stop();
// Stops everything and releases the device and every stream; the worker has
// ended when it returns.
BOOL WINAPI BASS_Free();
}

constexpr DWORD BASS_SAMPLE_LOOP = 4;
