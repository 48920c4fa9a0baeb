#pragma once
// An output device that takes buffers and neither plays nor gives them back,
// the base of the faulty devices that stand in for waveOut in the BASS.dll
// copies the audio benchmark runs beside copies of the saver
// (stuck_device.cpp, dying_device.cpp): the worker's sleep on it lasts its
// whole limit unless a command wakes it.
#include <windows.h>

#include <vector>

#include "bass/output_device.h"

class SilentDevice : public OutputDevice {
public:
    SilentDevice() : samples(kBufferCount * kBufferFrames * 2), event(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}
    ~SilentDevice() override
    {
        if (event)
            CloseHandle(event);
    }
    SilentDevice(const SilentDevice&) = delete;
    SilentDevice& operator=(const SilentDevice&) = delete;

    int16_t* Buffer(size_t index) override { return samples.data() + index * kBufferFrames * 2; }
    bool Play(size_t) override { return true; }
    bool Done(size_t) override { return false; }
    bool Reset() override { return true; }
    bool Position(uint32_t& frames) override
    {
        frames = 0;
        return true;
    }
    bool Wait(uint32_t milliseconds) override { return WaitForSingleObject(event, milliseconds) == WAIT_OBJECT_0; }
    void Wake() override { SetEvent(event); }

private:
    std::vector<int16_t> samples;
    HANDLE event;
};
