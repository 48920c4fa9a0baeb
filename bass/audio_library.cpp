#include "bass/audio_library.h"

#include <utility>

#include "bass/byte_source.h"
#include "bass/stream_factory.h"

namespace {
constexpr int kDefaultDevice = -1;
constexpr uint32_t kDefaultRate = 44100;
constexpr uint32_t kMinimumRate = 8000;
constexpr uint32_t kMaximumRate = 192000;
}  // namespace

AudioLibrary::AudioLibrary(OutputDeviceOpener opener, MpegDecoderFactory factory)
    : openDevice(opener), createDecoder(factory)
{
}

AudioLibrary::~AudioLibrary()
{
    Free();
}

std::shared_ptr<AudioEngine> AudioLibrary::Running()
{
    std::lock_guard<std::mutex> guard(lock);
    return state == State::On ? engine : nullptr;
}

bool AudioLibrary::Init(int device, uint32_t freq) noexcept
{
    if (freq == 0)
        freq = kDefaultRate;
    if (freq < kMinimumRate || freq > kMaximumRate || (device != kDefaultDevice && device < 1))
        return false;
    try {
        {
            std::lock_guard<std::mutex> guard(lock);
            if (state != State::Off)
                return false;
            state = State::Starting;
        }
        std::shared_ptr<AudioEngine> started;
        try {
            started = AudioEngine::Start(openDevice, device, freq);
        } catch (...) {
        }
        std::lock_guard<std::mutex> guard(lock);
        engine = std::move(started);
        rate = freq;
        state = engine ? State::On : State::Off;
        return engine != nullptr;
    } catch (...) {
        return false;
    }
}

bool AudioLibrary::Start() noexcept
{
    try {
        std::shared_ptr<AudioEngine> running = Running();
        return running && running->Resume();
    } catch (...) {
        return false;
    }
}

uint32_t AudioLibrary::CreateStream(bool memory, const void* file, uint32_t offset, uint32_t length) noexcept
{
    try {
        std::shared_ptr<AudioEngine> running = Running();
        if (!running || !file)
            return 0;
        uint32_t outputRate;
        {
            std::lock_guard<std::mutex> guard(lock);
            outputRate = rate;
        }
        std::unique_ptr<ByteSource> source;
        if (memory) {
            // Memory has no end to look for: the caller must give the length.
            // The bytes are copied, so the caller need not keep them.
            if (length == 0)
                return 0;
            const uint8_t* start = static_cast<const uint8_t*>(file) + offset;
            source = std::make_unique<MemorySource>(std::vector<uint8_t>(start, start + length));
        } else {
            source = OpenFileSource(static_cast<const char*>(file), offset, length);
        }
        std::unique_ptr<Stream> stream = OpenStream(std::move(source), createDecoder, outputRate);
        if (!stream)
            return 0;
        uint32_t handle = nextHandle++;
        if (handle == 0)
            handle = nextHandle++;
        return running->Add(handle, std::move(stream)) ? handle : 0;
    } catch (...) {
        return 0;
    }
}

bool AudioLibrary::Play(uint32_t handle, bool restart, bool loop) noexcept
{
    try {
        std::shared_ptr<AudioEngine> running = Running();
        return running && running->Play(handle, restart, loop);
    } catch (...) {
        return false;
    }
}

bool AudioLibrary::FreeStream(uint32_t handle) noexcept
{
    try {
        std::shared_ptr<AudioEngine> running = Running();
        return running && running->Remove(handle);
    } catch (...) {
        return false;
    }
}

bool AudioLibrary::Stop() noexcept
{
    try {
        std::shared_ptr<AudioEngine> running = Running();
        return running && running->Pause();
    } catch (...) {
        return false;
    }
}

bool AudioLibrary::Free() noexcept
{
    try {
        std::shared_ptr<AudioEngine> stopping;
        {
            std::lock_guard<std::mutex> guard(lock);
            if (state != State::On)
                return false;
            stopping = std::move(engine);
            state = State::Stopping;
        }
        // A worker that does not end in time is left to end by itself: the
        // library is free all the same, and may be initialised again.
        const bool ended = stopping->Shutdown();
        std::lock_guard<std::mutex> guard(lock);
        state = State::Off;
        return ended;
    } catch (...) {
        return false;
    }
}
