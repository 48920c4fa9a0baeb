#include "display/music.h"

#include "bass/bass.h"
#include "shell/globals.h"
#include "shell/saver_mode.h"
#include "shell/saver_settings.h"

namespace {
constexpr DWORD kNoFlags = 0;
constexpr DWORD kWholeFile = 0;
}  // namespace

uint32_t gMusicStream = 0;

void StartMusic()
{
    if (!gSettings->music || gMode == ModePreview)
        return;
    // Without a device there is nothing to release later either: no further call.
    if (!BASS_Init(BASS_DEFAULT_DEVICE, BASS_DEFAULT_RATE, kNoFlags, gWindowHandle)) {
        gMusicStream = 0;
        return;
    }
    BASS_Start();
    // A file that cannot be opened leaves the library started until the process
    // ends; StopMusic then makes no call.
    gMusicStream = BASS_StreamCreateFile(FALSE, gSettings->musicFileName, 0, kWholeFile, kNoFlags);
    if (gMusicStream != 0)
        BASS_StreamPlay(gMusicStream, FALSE, BASS_SAMPLE_LOOP);
}

void StopMusic()
{
    if (gMusicStream == 0)
        return;
    BASS_StreamFree(gMusicStream);
    BASS_Stop();
    BASS_Free();
}

void PauseMusic()
{
    if (gMusicStream != 0)
        BASS_Stop();
}

void ResumeMusic()
{
    if (gMusicStream != 0)
        BASS_Start();
}
