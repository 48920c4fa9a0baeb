#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "bass/stream.h"
#include "bass/wave_output.h"

// The library's state between BASS_Init and BASS_Free: the output device, the
// open streams by handle, and the one stream that plays. Every operation may be
// called from any thread; the output's worker renders under the same lock.
class AudioEngine {
public:
    // Opens the device; null when it cannot be opened.
    static std::unique_ptr<AudioEngine> Create(UINT device, uint32_t rate);
    ~AudioEngine();

    void Start();
    void Stop();
    // Handles are never 0 and never reused within one engine.
    uint32_t AddStream(std::unique_ptr<Stream> stream);
    bool Play(uint32_t handle, bool restart, bool loop);
    bool FreeStream(uint32_t handle);

    uint32_t rate = 0;

private:
    AudioEngine() = default;
    bool Render(int16_t* frames, size_t count);

    std::mutex lock;
    std::map<uint32_t, std::unique_ptr<Stream>> streams;
    uint32_t nextHandle = 1;
    uint32_t playing = 0;
    bool started = true;
    WaveOutput output;  // last: its worker is joined before the streams go
};
