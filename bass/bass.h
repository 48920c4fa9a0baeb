#pragma once
#include <windows.h>

// Our audio library in BASS.dll's place: streams a music file (MP3 or PCM WAV)
// from disk through the default waveOut device. One worker thread of its own
// reads, decodes and alone drives the device; the calls hand it their work, so
// the caller never waits for decoding. Any call may come from any thread, in
// any order or again: calls that find nothing to act on return FALSE (or 0) and
// do nothing, and so does a call that fails for want of memory, a thread or a
// device. No call throws.
extern "C" {

// Opens output device `device` (-1 the default one, 1 and up the numbered ones)
// in 16-bit stereo at `freq` Hz (0 means 44100); `win` is not used. Non-zero on
// success; FALSE when no usable device opens or the library is already initialised.
BOOL WINAPI BASS_Init(int device, DWORD freq, DWORD flags, HWND win);
// Resumes output after BASS_Stop; output runs from BASS_Init on.
BOOL WINAPI BASS_Start();
// Opens a file (mem FALSE: `file` is a zero-terminated ANSI path) or a block of
// memory (mem TRUE: `length` bytes at `file`, copied), from `offset`, `length`
// bytes or (0) to the end; `flags` is not used. Returns the stream's handle, or
// 0 before BASS_Init and for a missing, empty, unreadable or non-audio file. A
// file is read as it plays, a bounded amount at a time whatever its length, and
// stays open until the stream is freed.
DWORD WINAPI BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);
// Plays the stream, replacing the one playing (which keeps its place); `flush`
// starts it from the beginning; flags BASS_SAMPLE_LOOP repeats it until it is freed.
BOOL WINAPI BASS_StreamPlay(DWORD handle, BOOL flush, DWORD flags);
// Stops (when playing) and releases the stream: when it returns nothing more of
// it sounds. Its handle is then invalid.
BOOL WINAPI BASS_StreamFree(DWORD handle);
// Stops the output at once: when it returns nothing more sounds. Streams keep
// their place; BASS_Start plays on from the first sample not yet heard.
BOOL WINAPI BASS_Stop();
// Stops everything and releases the device and every stream; the worker has
// ended when it returns.
BOOL WINAPI BASS_Free();
}

constexpr DWORD BASS_SAMPLE_LOOP = 4;
