// A device whose driver hangs: the first reset never returns (the worker stops
// the output when a stream starts, when it is stopped or freed, and when the
// device has kept its buffers too long). Linked in place of wave_out_device.cpp.
#include <memory>

#include "bass/wave_out_device.h"
#include "tests/bass/silent_device.h"

namespace {
class StuckDevice : public SilentDevice {
public:
    bool Reset() override
    {
        if (!started) {
            // The reset that starts the first stream goes through.
            started = true;
            return true;
        }
        Sleep(INFINITE);
        return false;
    }

private:
    bool started = false;
};
}  // namespace

std::unique_ptr<OutputDevice> OpenWaveOutDevice(int, uint32_t, int)
{
    return std::make_unique<StuckDevice>();
}
