#include "bass/audio_library.h"

#include <future>
#include <string>
#include <utility>

#include "bass/audio_worker.h"
#include "bass/stream.h"
#include "bass/thread_starter.h"

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
}  // namespace

AudioLibrary::AudioLibrary(OutputDeviceOpener opener, MpegDecoderFactory factory, FileOpener fileOpener)
    : openDevice(opener), createDecoder(factory), openFile(fileOpener)
{
}

AudioLibrary::~AudioLibrary()
{
    Free();
}

std::shared_ptr<AudioLibrary::Worker> AudioLibrary::Running()
{
    std::lock_guard<std::mutex> guard(lock);
    return state == State::Initialised ? worker : nullptr;
}

bool AudioLibrary::Init(int device, uint32_t rate) noexcept
{
    return Guarded(false, [&] {
        {
            std::lock_guard<std::mutex> guard(lock);
            if (state != State::Free)
                return false;
            state = State::Initialising;
        }
        std::shared_ptr<Worker> started;
        try {
            started = Worker::Init(openDevice, device, rate);
        } catch (...) {
        }
        std::lock_guard<std::mutex> guard(lock);
        worker = std::move(started);
        state = worker ? State::Initialised : State::Free;
        return worker != nullptr;
    });
}

bool AudioLibrary::Start() noexcept
{
    return Guarded(false, [&] {
        std::shared_ptr<Worker> running = Running();
        return running && running->Post(std::make_unique<Command>(Command::Kind::Start));
    });
}

uint32_t AudioLibrary::StreamCreateFile(const char* path) noexcept
{
    return Guarded(0u, [&]() -> uint32_t {
        std::shared_ptr<Worker> running = Running();
        if (!running || !path)
            return 0;
        // The opening thread gets a copy of the path, which may be gone before
        // it ends. A stream the caller gave up on stays with the promise, and
        // goes with it when that thread ends.
        auto opened = std::make_shared<std::promise<std::unique_ptr<Stream>>>();
        std::future<std::unique_ptr<Stream>> result = opened->get_future();
        const bool started = StartThread([opened, file = std::string(path), openFile = openFile,
                                          createDecoder = createDecoder] {
            std::unique_ptr<Stream> stream;
            try {
                stream = OpenStream(openFile(file.c_str()), createDecoder);
            } catch (...) {
            }
            opened->set_value(std::move(stream));
        });
        if (!started || result.wait_for(kCreateLimit) != std::future_status::ready)
            return 0;
        std::unique_ptr<Stream> stream = result.get();
        if (!stream)
            return 0;
        uint32_t handle = nextHandle++;
        if (handle == 0)
            handle = nextHandle++;
        auto command = std::make_unique<Command>(Command::Kind::StreamCreateFile, handle);
        command->stream = std::move(stream);
        return running->Post(std::move(command)) ? handle : 0;
    });
}

bool AudioLibrary::StreamPlay(uint32_t handle, bool restart, bool loop) noexcept
{
    return Guarded(false, [&] {
        std::shared_ptr<Worker> running = Running();
        if (!running)
            return false;
        auto command = std::make_unique<Command>(Command::Kind::StreamPlay, handle);
        command->restart = restart;
        command->loop = loop;
        return running->Post(std::move(command));
    });
}

bool AudioLibrary::StreamFree(uint32_t handle) noexcept
{
    return Guarded(false, [&] {
        std::shared_ptr<Worker> running = Running();
        return running && running->Call(std::make_unique<Command>(Command::Kind::StreamFree, handle));
    });
}

bool AudioLibrary::Stop() noexcept
{
    return Guarded(false, [&] {
        std::shared_ptr<Worker> running = Running();
        return running && running->Call(std::make_unique<Command>(Command::Kind::Stop));
    });
}

bool AudioLibrary::Free() noexcept
{
    return Guarded(false, [&] {
        std::shared_ptr<Worker> freeing;
        {
            std::lock_guard<std::mutex> guard(lock);
            if (state != State::Initialised)
                return false;
            freeing = std::move(worker);
            state = State::Freeing;
        }
        // A worker that does not end in time is left to end by itself: the
        // library is free all the same, and may be initialised again.
        const bool ended = freeing->Free();
        std::lock_guard<std::mutex> guard(lock);
        state = State::Free;
        return ended;
    });
}
