#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

// The default (or a numbered) waveOut device in 16-bit stereo, fed by a worker
// thread that keeps a fixed number of buffers queued ahead of the playing one.
// The worker asks `render` for each buffer's frames; when `render` returns
// false the buffer is not queued and the worker waits for Wake. The caller may
// rely on `render` never running after Close has returned.
class WaveOutput {
public:
    using RenderFunction = std::function<bool(int16_t* frames, size_t count)>;

    ~WaveOutput();

    // False when the device cannot be opened in this format.
    bool Open(UINT device, uint32_t rate, RenderFunction render);
    // Drops every queued buffer at once (the worker refills them when asked again).
    void Flush();
    // Lets the worker look for work now instead of at its next timeout.
    void Wake();
    void Close();

    static constexpr size_t kBufferFrames = 2048;  // about 46 ms at 44100 Hz
    static constexpr size_t kBufferCount = 8;      // so about 370 ms are queued

private:
    void Run();

    HWAVEOUT device = nullptr;
    HANDLE event = nullptr;
    RenderFunction render;
    std::vector<int16_t> memory;
    WAVEHDR headers[kBufferCount] = {};
    std::atomic<bool> quit{false};
    std::thread worker;
};
