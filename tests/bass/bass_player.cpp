// Plays a music file through BASS.dll the way the saver does, for SECONDS, then
// frees everything. Exit code: 0 played, 1 usage, 2 no device, 3 no stream, 4 play refused.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "bass/bass.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bass_player FILE SECONDS\n");
        return 1;
    }
    const DWORD milliseconds = DWORD(std::atof(argv[2]) * 1000);
    // The saver has its window before BASS_Init; under Wine a process's first
    // window waits for the desktop to start, for seconds, which would
    // otherwise fall into the library's limit on opening the device.
    GetDesktopWindow();
    if (!BASS_Init(-1, 44100, 0, nullptr))
        return 2;
    BASS_Start();
    const DWORD stream = BASS_StreamCreateFile(FALSE, argv[1], 0, 0, 0);
    if (!stream) {
        BASS_Free();
        return 3;
    }
    const BOOL played = BASS_StreamPlay(stream, FALSE, BASS_SAMPLE_LOOP);
    Sleep(milliseconds);
    BASS_StreamFree(stream);
    BASS_Stop();
    BASS_Free();
    return played ? 0 : 4;
}
