#pragma once
#include <windows.h>

// Our audio library in BASS.dll's place: streams a music file (MP3 or PCM WAV)
// from disk through the default waveOut device. One worker thread of its own
// reads, decodes and alone drives the device; the calls hand it their work, so
// the caller never waits for decoding. Any call may come from any thread, in
// any order or again: calls that find nothing to act on return FALSE (or 0) and
// do nothing, and so does a call that fails for want of memory, a thread or a
// device. No call throws.
//
// No call waits without a limit, whatever the file, the device or the worker
// does: BASS_Init waits 5 s at most for the device to open, and the calls that
// wait for the worker (BASS_StreamFree, BASS_Stop, BASS_Free) 50 ms at most,
// and not at all while an earlier call's wait is still unanswered. A call that
// gives up returns FALSE; BASS_Free then still frees the library, which may be
// initialised again, and leaves a stuck worker to end by itself.
//
// A file that shrinks or can no longer be read ends where it fails (a looping
// stream starts again; one that has nothing left ends). A device that fails (it
// refuses audio, does not stop, or stops playing) is reopened once; when that
// fails too, the stream stops and every call but BASS_Free fails.
//
// BASS_Free must not be called from DllMain (nor from anything DllMain calls):
// the loader lock is held there, and the worker cannot end while it is held,
// so the call would wait out its limit and leave the worker running.
extern "C" {

// Opens output device `device` (-1 the default one, 1 and up the numbered ones)
// in 16-bit stereo at `freq` Hz (0 means 44100); `win` is not used. Non-zero on
// success; FALSE when no usable device opens (in time) or the library is
// already initialised.
BOOL WINAPI BASS_Init(int device, DWORD freq, DWORD flags, HWND win);
// Resumes output after BASS_Stop; output runs from BASS_Init on.
BOOL WINAPI BASS_Start();
// Opens a file (mem FALSE: `file` is a zero-terminated ANSI path) or a block of
// memory (mem TRUE: `length` bytes at `file`, copied), from `offset`, `length`
// bytes or (0) to the end; `flags` is not used. Returns the stream's handle, or
// 0 before BASS_Init and for a missing, empty, unreadable or non-audio file. A
// file is read as it plays, a bounded amount at a time whatever its length, and
// stays open until the stream is freed; other programs may meanwhile write,
// rename or delete it.
DWORD WINAPI BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags);
// Plays the stream, replacing the one playing (which keeps its place); `flush`
// starts it from the beginning; flags BASS_SAMPLE_LOOP repeats it until it is freed.
BOOL WINAPI BASS_StreamPlay(DWORD handle, BOOL flush, DWORD flags);
// Stops (when playing) and releases the stream: when it returns TRUE nothing
// more of it sounds. Its handle is then invalid, whatever the result.
BOOL WINAPI BASS_StreamFree(DWORD handle);
// Stops the output at once: when it returns TRUE nothing more sounds. Streams
// keep their place; BASS_Start plays on from the first sample not yet heard.
BOOL WINAPI BASS_Stop();
// Stops everything and releases the device and every stream; the worker has
// ended when it returns TRUE. FALSE when the library was not initialised, or
// the worker did not end in time (it is left to end by itself).
BOOL WINAPI BASS_Free();
}

constexpr DWORD BASS_SAMPLE_LOOP = 4;
