#include "bass/audio_engine.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {
constexpr size_t kFrames = OutputDevice::kBufferFrames;
constexpr size_t kBuffers = OutputDevice::kBufferCount;
// Frames rendered per step; commands are taken between steps.
constexpr size_t kRenderStep = 256;
// What a stop can take back: every queued buffer and the one being filled.
constexpr size_t kCarryFrames = (kBuffers + 1) * kFrames;
}  // namespace

// A stream as the worker holds it, with the output taken from it and not yet played.
struct AudioEngine::Voice {
    Voice(uint32_t handle, std::unique_ptr<Stream> stream)
        : handle(handle), stream(std::move(stream)), carry(2 * kCarryFrames)
    {
    }
    uint32_t handle;
    std::unique_ptr<Stream> stream;
    std::vector<int16_t> carry;  // stereo frames [carryUsed, carryEnd) play before the stream's next
    size_t carryUsed = 0;
    size_t carryEnd = 0;
    Voice* next = nullptr;
};

struct AudioEngine::Command {
    enum class Kind { Resume, Pause, Add, Play, Remove, Quit };
    explicit Command(Kind kind) : kind(kind) {}
    Kind kind;
    uint32_t handle = 0;
    bool restart = false;
    bool loop = false;
    std::unique_ptr<Voice> voice;  // Add
    bool waits = false;            // the caller waits for `done` and owns the command
    bool done = false;
    bool result = false;
    Command* next = nullptr;
};

std::unique_ptr<AudioEngine> AudioEngine::Start(OutputDeviceOpener open, int deviceId, uint32_t rate)
{
    std::unique_ptr<AudioEngine> engine(new AudioEngine);
    engine->worker = std::thread(&AudioEngine::Run, engine.get(), open, deviceId, rate);
    bool opened;
    {
        std::unique_lock<std::mutex> guard(engine->lock);
        engine->acknowledged.wait(guard, [&] { return engine->started; });
        opened = !engine->closed;
    }
    if (!opened) {
        engine->worker.join();
        return nullptr;
    }
    return engine;
}

AudioEngine::~AudioEngine()
{
    try {
        Shutdown();
    } catch (...) {
    }
}

// ---- the callers' side

void AudioEngine::Enqueue(Command* command)
{
    (lastCommand ? lastCommand->next : firstCommand) = command;
    lastCommand = command;
    commandsWaiting = true;
    device->Wake();
}

bool AudioEngine::Post(std::unique_ptr<Command> command)
{
    std::lock_guard<std::mutex> guard(lock);
    if (closed || (command->kind == Command::Kind::Play && handles.count(command->handle) == 0))
        return false;
    Enqueue(command.release());
    return true;
}

bool AudioEngine::PostAndWait(Command& command)
{
    std::set<uint32_t>::node_type entry;  // freed once the lock is released
    command.waits = true;
    std::unique_lock<std::mutex> guard(lock);
    if (closed)
        return false;
    if (command.kind == Command::Kind::Remove) {
        entry = handles.extract(command.handle);
        if (entry.empty())
            return false;
    }
    Enqueue(&command);
    acknowledged.wait(guard, [&] { return command.done; });
    return command.result;
}

bool AudioEngine::Resume()
{
    return Post(std::make_unique<Command>(Command::Kind::Resume));
}

bool AudioEngine::Pause()
{
    Command command(Command::Kind::Pause);
    return PostAndWait(command);
}

bool AudioEngine::Add(uint32_t handle, std::unique_ptr<Stream> stream)
{
    auto command = std::make_unique<Command>(Command::Kind::Add);
    command->voice = std::make_unique<Voice>(handle, std::move(stream));
    // The handle's entry is made here, so that nothing allocates under the lock.
    std::set<uint32_t> entry{handle};
    auto node = entry.extract(handle);
    std::lock_guard<std::mutex> guard(lock);
    if (closed)
        return false;
    handles.insert(std::move(node));
    Enqueue(command.release());
    return true;
}

bool AudioEngine::Play(uint32_t handle, bool restart, bool loop)
{
    auto command = std::make_unique<Command>(Command::Kind::Play);
    command->handle = handle;
    command->restart = restart;
    command->loop = loop;
    return Post(std::move(command));
}

bool AudioEngine::Remove(uint32_t handle)
{
    Command command(Command::Kind::Remove);
    command.handle = handle;
    return PostAndWait(command);
}

void AudioEngine::Shutdown()
{
    if (!worker.joinable())
        return;
    Command command(Command::Kind::Quit);
    PostAndWait(command);
    worker.join();
}

// ---- the worker's side

void AudioEngine::Run(OutputDeviceOpener open, int deviceId, uint32_t rate)
{
    try {
        std::unique_ptr<OutputDevice> opened = open(deviceId, rate);
        std::lock_guard<std::mutex> guard(lock);
        device = std::move(opened);
        started = true;
        closed = !device;
    } catch (...) {
        std::lock_guard<std::mutex> guard(lock);
        started = true;
        closed = true;
    }
    acknowledged.notify_all();
    if (!device)
        return;

    try {
        Loop();
    } catch (...) {
        // Nothing is expected here (a stream's failure stops only that stream);
        // should it happen all the same, the worker ends as on Quit, and the
        // device's release stops the output.
    }
    while (Voice* voice = voices) {
        voices = voice->next;
        delete voice;
    }
    playing = nullptr;
    // Every command not yet carried out fails; the device goes last.
    Command* left;
    std::unique_ptr<OutputDevice> released;
    {
        std::lock_guard<std::mutex> guard(lock);
        closed = true;
        left = firstCommand;
        firstCommand = lastCommand = nullptr;
        released = std::move(device);
    }
    while (left) {
        Command* next = left->next;
        Acknowledge(left, false);
        left = next;
    }
    released.reset();
}

void AudioEngine::Loop()
{
    for (;;) {
        Command* command = TakeCommands();
        while (command) {
            Command* next = command->next;
            if (command->kind == Command::Kind::Quit) {
                // Ending: those behind it fail, as do those still to come.
                StopOutput(nullptr);
                for (Command* behind = next; behind;) {
                    Command* after = behind->next;
                    Acknowledge(behind, false);
                    behind = after;
                }
                Acknowledge(command, true);
                return;
            }
            bool result = false;
            try {
                result = Execute(*command);
            } catch (...) {
            }
            Acknowledge(command, result);
            command = next;
        }
        Reclaim();
        if (!Fill())
            continue;
        device->Wait();
    }
}

AudioEngine::Command* AudioEngine::TakeCommands()
{
    std::lock_guard<std::mutex> guard(lock);
    Command* taken = firstCommand;
    firstCommand = lastCommand = nullptr;
    commandsWaiting = false;
    return taken;
}

void AudioEngine::Acknowledge(Command* command, bool result)
{
    if (!command->waits) {
        delete command;
        return;
    }
    {
        std::lock_guard<std::mutex> guard(lock);
        command->result = result;
        command->done = true;
    }
    // The caller may return and take its command with it as soon as the lock is released.
    acknowledged.notify_all();
}

AudioEngine::Voice* AudioEngine::Find(uint32_t handle) const
{
    for (Voice* voice = voices; voice; voice = voice->next)
        if (voice->handle == handle)
            return voice;
    return nullptr;
}

bool AudioEngine::Execute(Command& command)
{
    switch (command.kind) {
    case Command::Kind::Resume:
        outputOn = true;
        return true;
    case Command::Kind::Pause:
        StopOutput(playing);
        outputOn = false;
        return true;
    case Command::Kind::Add: {
        Voice* voice = command.voice.release();
        voice->next = voices;
        voices = voice;
        return true;
    }
    case Command::Kind::Play: {
        Voice* voice = Find(command.handle);
        if (!voice)
            return false;
        if (voice != playing || command.restart) {
            StopOutput(playing);
            playing = voice;
        }
        Stream& stream = *voice->stream;
        stream.looping = command.loop;
        if (command.restart || (stream.finished && voice->carryUsed == voice->carryEnd)) {
            voice->carryUsed = voice->carryEnd = 0;
            try {
                stream.Restart();
            } catch (...) {
                Silence(*voice);
            }
        }
        return true;
    }
    case Command::Kind::Remove: {
        Voice** link = &voices;
        while (*link && (*link)->handle != command.handle)
            link = &(*link)->next;
        Voice* voice = *link;
        if (!voice)
            return false;
        if (voice == playing) {
            StopOutput(nullptr);
            playing = nullptr;
        }
        *link = voice->next;
        delete voice;
        return true;
    }
    case Command::Kind::Quit:
        break;
    }
    return false;
}

void AudioEngine::StopOutput(Voice* keeper)
{
    const uint32_t played = device->Position();
    device->Reset();
    if (keeper) {
        // In stream order: the queued frames not yet played, the buffer being
        // filled, then what the keeper still carried from an earlier stop.
        const size_t queuedFrames = queued * kFrames;
        const size_t playedQueued = std::min<size_t>(uint32_t(played - returned), queuedFrames);
        const size_t back = queuedFrames - playedQueued + filled;
        int16_t* carry = keeper->carry.data();
        const size_t carried = keeper->carryEnd - keeper->carryUsed;
        std::memmove(carry + 2 * back, carry + 2 * keeper->carryUsed, 2 * carried * sizeof(int16_t));
        size_t at = 0;
        for (size_t skip = playedQueued, i = 0; i <= queued; ++i) {
            const size_t frames = i < queued ? kFrames : filled;
            const size_t from = std::min(skip, frames);
            skip -= from;
            const int16_t* buffer = device->Buffer((firstQueued + i) % kBuffers);
            std::memcpy(carry + 2 * at, buffer + 2 * from, 2 * (frames - from) * sizeof(int16_t));
            at += frames - from;
        }
        keeper->carryUsed = 0;
        keeper->carryEnd = back + carried;
    }
    firstQueued = (firstQueued + queued) % kBuffers;
    queued = 0;
    filled = 0;
    returned = 0;
}

void AudioEngine::Reclaim()
{
    while (queued > 0 && device->Done(firstQueued)) {
        firstQueued = (firstQueued + 1) % kBuffers;
        --queued;
        returned += uint32_t(kFrames);
    }
}

bool AudioEngine::Fill()
{
    while (playing && outputOn && queued < kBuffers) {
        const size_t index = (firstQueued + queued) % kBuffers;
        Stream& stream = *playing->stream;
        const bool ended = stream.finished && playing->carryUsed == playing->carryEnd;
        if (ended && filled == 0)
            return true;
        if (!FillBuffer(device->Buffer(index)))
            return false;
        if (!playing)
            return true;
        if (!device->Play(index)) {
            // The device refused: the output stops, the stream keeps its place
            // (less this buffer).
            StopOutput(nullptr);
            playing = nullptr;
            return true;
        }
        ++queued;
        filled = 0;
    }
    return true;
}

bool AudioEngine::FillBuffer(int16_t* buffer)
{
    Voice& voice = *playing;
    while (filled < kFrames) {
        if (commandsWaiting.load(std::memory_order_relaxed))
            return false;
        const size_t step = std::min(kRenderStep, kFrames - filled);
        if (voice.carryUsed < voice.carryEnd) {
            const size_t count = std::min(step, voice.carryEnd - voice.carryUsed);
            std::memcpy(buffer + 2 * filled, voice.carry.data() + 2 * voice.carryUsed, 2 * count * sizeof(int16_t));
            voice.carryUsed += count;
            filled += count;
            continue;
        }
        if (voice.stream->finished) {
            // The stream's last buffer ends in silence.
            std::fill(buffer + 2 * filled, buffer + 2 * kFrames, int16_t(0));
            filled = kFrames;
            break;
        }
        try {
            voice.stream->Render(buffer + 2 * filled, step);
        } catch (...) {
            Silence(voice);
            StopOutput(nullptr);
            playing = nullptr;
            return true;
        }
        filled += step;
    }
    return true;
}

void AudioEngine::Silence(Voice& voice)
{
    // A stream whose decoding failed plays nothing more until it is started again.
    voice.stream->finished = true;
    voice.carryUsed = voice.carryEnd = 0;
}
