// A device on which the worker thread dies: the first time it would sleep on
// the device it ends, leaving its commands unanswered, as a thread ended from
// outside would. Linked in place of wave_out_device.cpp.
#include <memory>

#include "bass/wave_out_device.h"
#include "tests/bass/silent_device.h"

namespace {
class DyingDevice : public SilentDevice {
public:
    bool Wait(uint32_t) override
    {
        ExitThread(0);
        return false;
    }
};
}  // namespace

std::unique_ptr<OutputDevice> OpenWaveOutDevice(int, uint32_t, int)
{
    return std::make_unique<DyingDevice>();
}
