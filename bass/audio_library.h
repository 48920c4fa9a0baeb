#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

#include "bass/audio_engine.h"
#include "bass/byte_source.h"
#include "bass/mpeg_decoder.h"
#include "bass/output_device.h"

// The library's exported calls as portable code: the one engine between Init
// and Free, and stream handles. Each returns false (or 0) when it finds nothing
// to act on or anything fails, and throws nothing; Free leaves the library free
// even then. The platform comes in through the three openers.
class AudioLibrary {
public:
    // How long CreateStream waits for a file to open; one that has not by then
    // is left to finish (or fail) on a thread of its own, and freed there.
    static constexpr std::chrono::milliseconds kCreateLimit{1500};

    AudioLibrary(OutputDeviceOpener openDevice, MpegDecoderFactory createDecoder, FileOpener openFile = OpenFileSource);
    // Frees the library if it is still initialised.
    ~AudioLibrary();
    AudioLibrary(const AudioLibrary&) = delete;
    AudioLibrary& operator=(const AudioLibrary&) = delete;

    // `device` and `rate` as BASS_Init takes them, already checked.
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
    const FileOpener openFile;
    std::mutex lock;
    // Init and Free run outside the lock; while one does, the other fails.
    enum class State { Off, Starting, On, Stopping } state = State::Off;
    std::shared_ptr<AudioEngine> engine;
    // Handles are never 0 and never used twice by one library.
    std::atomic<uint32_t> nextHandle{1};
};
