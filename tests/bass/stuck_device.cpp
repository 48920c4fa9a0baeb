// A device whose driver hangs: a reset never returns (the worker resets the
// device when the stream is stopped or freed, and when the device has kept its
// buffers too long). Linked in place of wave_out_device.cpp.
#include <memory>

#include "bass/wave_out_device.h"
#include "tests/bass/silent_device.h"

namespace {
class StuckDevice : public SilentDevice {
public:
    bool Reset() override
    {
        Sleep(INFINITE);
        return false;
    }
};
}  // namespace

std::unique_ptr<OutputDevice> OpenWaveOutDevice(int, uint32_t, int)
{
    return std::make_unique<StuckDevice>();
}
