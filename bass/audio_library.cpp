#include "bass/audio_library.h"

#include <condition_variable>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bass/stream_factory.h"

namespace {
// Every call's body runs through this: no exception crosses the C boundary.
template <typename Result, typename Body>
Result Guarded(Result failure, Body body) noexcept
{
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// A stream opening on a thread of its own. The caller takes the stream when it
// is done in time; otherwise the opening thread frees it.
struct Opening {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    std::unique_ptr<Stream> stream;
};
}  // namespace

AudioLibrary::AudioLibrary(OutputDeviceOpener opener, MpegDecoderFactory factory, FileOpener fileOpener)
    : openDevice(opener), createDecoder(factory), openFile(fileOpener)
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

bool AudioLibrary::Init(int device, uint32_t rate) noexcept
{
    return Guarded(false, [&] {
        {
            std::lock_guard<std::mutex> guard(lock);
            if (state != State::Off)
                return false;
            state = State::Starting;
        }
        std::shared_ptr<AudioEngine> started;
        try {
            started = AudioEngine::Start(openDevice, device, rate);
        } catch (...) {
        }
        std::lock_guard<std::mutex> guard(lock);
        engine = std::move(started);
        state = engine ? State::On : State::Off;
        return engine != nullptr;
    });
}

bool AudioLibrary::Start() noexcept
{
    return Guarded(false, [&] {
        std::shared_ptr<AudioEngine> running = Running();
        return running && running->Resume();
    });
}

uint32_t AudioLibrary::CreateStream(bool memory, const void* file, uint32_t offset, uint32_t length) noexcept
{
    return Guarded(0u, [&]() -> uint32_t {
        std::shared_ptr<AudioEngine> running = Running();
        // Memory has no end to look for: the caller must give the length.
        if (!running || !file || (memory && length == 0))
            return 0;
        // The opening thread gets copies: the caller's path or bytes may be gone before it ends.
        std::string path;
        std::vector<uint8_t> bytes;
        if (memory)
            bytes.assign(static_cast<const uint8_t*>(file) + offset, static_cast<const uint8_t*>(file) + offset + length);
        else
            path = static_cast<const char*>(file);
        auto opening = std::make_shared<Opening>();
        std::thread([opening, memory, path = std::move(path), bytes = std::move(bytes), offset, length,
                     openFile = openFile, createDecoder = createDecoder]() mutable {
            std::unique_ptr<Stream> stream;
            try {
                std::unique_ptr<ByteSource> source = memory ? std::make_unique<MemorySource>(std::move(bytes))
                                                            : openFile(path.c_str(), offset, length);
                stream = OpenStream(std::move(source), createDecoder);
            } catch (...) {
            }
            // A stream the caller gave up on is freed after the lock is released.
            std::lock_guard<std::mutex> guard(opening->lock);
            opening->finished = true;
            if (!opening->abandoned)
                opening->stream = std::move(stream);
            opening->done.notify_all();
        }).detach();
        std::unique_ptr<Stream> stream;
        {
            std::unique_lock<std::mutex> guard(opening->lock);
            if (!opening->done.wait_for(guard, kCreateLimit, [&] { return opening->finished; })) {
                opening->abandoned = true;
                return 0;
            }
            stream = std::move(opening->stream);
        }
        if (!stream)
            return 0;
        uint32_t handle = nextHandle++;
        if (handle == 0)
            handle = nextHandle++;
        return running->Add(handle, std::move(stream)) ? handle : 0;
    });
}

bool AudioLibrary::Play(uint32_t handle, bool restart, bool loop) noexcept
{
    return Guarded(false, [&] {
        std::shared_ptr<AudioEngine> running = Running();
        return running && running->Play(handle, restart, loop);
    });
}

bool AudioLibrary::FreeStream(uint32_t handle) noexcept
{
    return Guarded(false, [&] {
        std::shared_ptr<AudioEngine> running = Running();
        return running && running->Remove(handle);
    });
}

bool AudioLibrary::Stop() noexcept
{
    return Guarded(false, [&] {
        std::shared_ptr<AudioEngine> running = Running();
        return running && running->Pause();
    });
}

bool AudioLibrary::Free() noexcept
{
    return Guarded(false, [&] {
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
    });
}
