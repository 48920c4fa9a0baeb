#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "bass/audio_engine.h"
#include "bass/mpeg_decoder.h"
#include "bass/output_device.h"

// The library's exported calls as portable code: argument checks, the one
// engine between Init and Free, and stream handles. Every call may come from
// any thread, in any order or again; each returns false (or 0) when it finds
// nothing to act on, anything fails (memory, thread, device, file) or the
// worker does not answer in time, and throws nothing. Free leaves the library
// free even then, ready for another Init. The platform comes in through the device opener and the MP3
// decoder factory; files are opened with OpenFileSource.
class AudioLibrary {
public:
    AudioLibrary(OutputDeviceOpener openDevice, MpegDecoderFactory createDecoder);
    // Frees the library if it is still initialised.
    ~AudioLibrary();
    AudioLibrary(const AudioLibrary&) = delete;
    AudioLibrary& operator=(const AudioLibrary&) = delete;

    bool Init(int device, uint32_t rate) noexcept;
    bool Start() noexcept;
    uint32_t CreateStream(bool memory, const void* file, uint32_t offset, uint32_t length) noexcept;
    bool Play(uint32_t handle, bool restart, bool loop) noexcept;
    bool FreeStream(uint32_t handle) noexcept;
    bool Stop() noexcept;
    bool Free() noexcept;

private:
    // The engine while the library is initialised; the caller's reference keeps
    // it alive through a concurrent Free, after which its calls fail.
    std::shared_ptr<AudioEngine> Running();

    const OutputDeviceOpener openDevice;
    const MpegDecoderFactory createDecoder;
    std::mutex lock;
    // Init and Free run outside the lock; while one does, the other fails.
    enum class State { Off, Starting, On, Stopping } state = State::Off;
    std::shared_ptr<AudioEngine> engine;
    uint32_t rate = 0;
    // Handles are never 0 and never used twice by one library.
    std::atomic<uint32_t> nextHandle{1};
};
