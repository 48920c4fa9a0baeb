// The close rules' arithmetic and the one way the saver asks to end: WM_CLOSE
// posted to the primary's window, answered with the quit message by WindowProc.
#include "display/close_rules.h"

#include <windows.h>

#include <cstdlib>

#include "shell/saver_settings.h"

bool IsBeyondMouseThreshold(int32_t x, int32_t y, int32_t originX, int32_t originY, int32_t threshold)
{
    // 64-bit differences, so that no pair of 32-bit points can overflow.
    const int64_t dx = std::llabs(int64_t{x} - originX);
    const int64_t dy = std::llabs(int64_t{y} - originY);
    return dx > threshold || dy > threshold;
}

void SaverSettings::RequestClose()
{
    // A failed post goes unnoticed; the next qualifying input asks again.
    PostMessageA(windowHandle, WM_CLOSE, 0, 0);
}
