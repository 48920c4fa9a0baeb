#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

// The output as the library's worker drives it (and no other thread, but for
// Wake): a ring of kBufferCount buffers of kBufferFrames 16-bit frames, played
// in the order queued. A waveOut device on Windows; a recording one in tests.
class OutputDevice {
public:
    static constexpr size_t kBufferFrames = 2048;  // about 46 ms at 44100 Hz
    static constexpr size_t kBufferCount = 8;      // so about 370 ms are queued
    static constexpr int kMaxChannels = 2;
    // Positions count modulo 2^30 frames: waveOut counts frames of up to 4 bytes in 32-bit bytes.
    static constexpr uint32_t kPositionModulo = uint32_t(1) << 30;

    // Closes the device: nothing sounds after it. A device that cannot be
    // stopped keeps what it holds: its buffers are left to it, never freed under it.
    virtual ~OutputDevice() = default;

    // Buffer `index`: the worker fills it while the device does not hold it.
    virtual int16_t* Buffer(size_t index) = 0;
    // Queues the whole buffer after those queued before; false when the device refuses it.
    virtual bool Play(size_t index) = 0;
    // True once the device has played the queued buffer and given it back.
    virtual bool Done(size_t index) = 0;
    // Stops at once: no queued sample sounds after it returns, every queued
    // buffer is given back, and the position starts again from 0. False when
    // the device did not stop: it may still hold the buffers.
    virtual bool Reset() = 0;
    // Frames played since the last Reset, modulo kPositionModulo; false when
    // the device cannot tell.
    virtual bool Position(uint32_t& frames) = 0;
    // Sleeps until a buffer comes back or Wake is called, for `milliseconds`
    // at most (then false); a Wake that comes before the sleep is not lost.
    virtual bool Wait(uint32_t milliseconds) = 0;
    // Any thread.
    virtual void Wake() = 0;
};

// Opens output device `device` (-1 the default one, 1 and up the numbered
// ones) at `rate` Hz with `channels` (1 or 2), on the worker; null when it does not open.
using OutputDeviceOpener = std::unique_ptr<OutputDevice> (*)(int device, uint32_t rate, int channels);
