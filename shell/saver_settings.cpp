#include "shell/saver_settings.h"

#include <cstring>

SaverSettings* gSettings;

// Every field starts from zero (the member initialisers), so the bytes after the
// path's terminating zero are defined when SaveSettings writes the whole buffer.
SaverSettings::SaverSettings()
{
    std::strcpy(musicFileName, kDefaultMusicFileName);
}
