#include "bass/audio_engine.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "bass/played_position.h"

namespace {
constexpr size_t kFrames = OutputDevice::kBufferFrames;
constexpr size_t kBuffers = OutputDevice::kBufferCount;
// Frames rendered per step; commands are taken between steps.
constexpr size_t kRenderStep = 256;
// What a stop can take back: every queued buffer and the one being filled.
constexpr size_t kCarryFrames = (kBuffers + 1) * kFrames;
// While the device holds no buffer (or there is none) only a command wakes the
// worker; the limit is there so that no wait is without one, and costs a wake in minutes.
constexpr std::chrono::milliseconds kIdleLimit{5 * 60 * 1000};
constexpr std::chrono::milliseconds kNoWait{0};
}  // namespace

// A stream as the worker holds it, with the output taken from it and not yet played.
struct AudioEngine::Voice {
    Voice(uint32_t handle, std::unique_ptr<Stream> playable)
        : handle(handle), stream(std::move(playable)), carry(size_t(stream->Channels()) * kCarryFrames)
    {
    }
    uint32_t handle;
    std::unique_ptr<Stream> stream;
    std::vector<int16_t> carry;  // frames [carryUsed, carryEnd) play before the stream's next
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
    // A caller that waits owns its command until the worker is done with it,
    // or until it gives up; the worker deletes the others.
    bool waits = false;
    bool done = false;       // under the lock
    bool abandoned = false;  // under the lock
    bool result = false;
    Command* next = nullptr;
};

// Everything the worker touches, owned jointly by the engine and the worker's
// thread, so that either may let go first.
struct AudioEngine::Worker {
    Worker(OutputDeviceOpener opener, int id, uint32_t initRate) : open(opener), deviceId(id), rate(initRate) {}

    // The callers' side, under `lock`.
    void Enqueue(Command* command);

    // The worker's side.
    void Run() noexcept;
    void Loop();
    void Finish();
    Command* TakeCommands();
    void Acknowledge(Command* command, bool result);
    bool Execute(Command& command);
    Voice* Find(uint32_t handle) const;
    // Stops the output at once; what it held unplayed goes back to `keeper`,
    // or is dropped. False when the device did not stop: it may still hold
    // its buffers, and must not be given them again.
    bool StopOutput(Voice* keeper);
    // StopOutput, ending the output for good when the device did not stop.
    void Stop(Voice* keeper);
    // StopOutput and closes the device. A device that did not stop is left
    // what it holds (see OutputDevice's destructor); so that no more than one
    // is, the output then ends for good. False then.
    bool CloseOutput(Voice* keeper);
    bool OpenDevice(uint32_t deviceRate, int channels);
    // Opens the device for the playing stream's format, if it has another.
    void PrepareDevice();
    // Closes the failed device and opens another in its place, unless the
    // failed one had replaced another and not yet played a buffer: the output
    // then ends for good.
    void ReplaceDevice();
    void Reclaim();
    // Queues buffers while there is room and something to play; false when a
    // command interrupted it.
    bool Fill();
    bool FillBuffer(int16_t* buffer);
    void Silence(Voice& voice);
    // Sleeps on the device, or without one until a command comes; a device
    // that keeps its buffers too long is replaced.
    void Sleep();

    const OutputDeviceOpener open;
    const int deviceId;
    const uint32_t rate;

    // Shared between the callers and the worker, under `lock`.
    std::mutex lock;
    std::condition_variable changed;  // the device opened, a command answered, the worker ended
    std::condition_variable arrived;  // a command, for a worker without a device
    Command* firstCommand = nullptr;
    Command* lastCommand = nullptr;
    std::set<uint32_t> handles;  // the streams added and not removed
    bool started = false;        // the worker has tried to open the device
    bool closed = false;         // the worker takes no more commands
    bool ended = false;          // the worker has released everything
    bool unanswered = false;     // a caller gave up waiting, and the worker has not taken commands since
    std::atomic<bool> commandsWaiting{false};
    std::unique_ptr<OutputDevice> device;  // set and released by the worker, under `lock`

    // The worker's own.
    Voice* voices = nullptr;  // a list through Voice::next
    Voice* playing = nullptr;
    bool outputOn = true;
    bool failed = false;      // the output has ended for good: the worker ends
    bool openFailed = false;  // no device opened for the playing stream; tried again at the next command
    uint32_t deviceRate = 0;
    int deviceChannels = 0;
    bool onTrial = false;     // the device replaced a failed one and has not yet given a buffer back
    size_t firstQueued = 0;   // the oldest buffer the device holds
    size_t queued = 0;        // buffers the device holds
    size_t filled = 0;        // frames rendered into the buffer after them
    uint64_t returned = 0;    // frames given back since the last reset
};

AudioEngine::AudioEngine(std::shared_ptr<Worker> shared) : worker(std::move(shared))
{
}

std::unique_ptr<AudioEngine> AudioEngine::Start(OutputDeviceOpener open, int deviceId, uint32_t rate)
{
    auto shared = std::make_shared<Worker>(open, deviceId, rate);
    std::unique_ptr<AudioEngine> engine(new AudioEngine(shared));
    engine->quit = std::make_unique<Command>(Command::Kind::Quit);
    engine->thread = std::thread([shared] { shared->Run(); });
    bool answered, opened;
    {
        std::unique_lock<std::mutex> guard(shared->lock);
        answered = shared->changed.wait_for(guard, kOpenLimit, [&] { return shared->started; });
        // Given up on, the worker closes the device it opens late, and ends.
        if (!answered)
            shared->closed = true;
        opened = !shared->closed;
    }
    if (opened)
        return engine;
    if (answered)
        engine->thread.join();
    else
        engine->thread.detach();
    return nullptr;
}

AudioEngine::~AudioEngine()
{
    Shutdown();
}

// ---- the callers' side

void AudioEngine::Worker::Enqueue(Command* command)
{
    (lastCommand ? lastCommand->next : firstCommand) = command;
    lastCommand = command;
    commandsWaiting = true;
    if (device)
        device->Wake();
    arrived.notify_one();
}

bool AudioEngine::Post(std::unique_ptr<Command> command)
{
    std::lock_guard<std::mutex> guard(worker->lock);
    if (worker->closed || (command->kind == Command::Kind::Play && worker->handles.count(command->handle) == 0))
        return false;
    worker->Enqueue(command.release());
    return true;
}

bool AudioEngine::Call(std::unique_ptr<Command> command)
{
    // Both freed once the lock is released.
    std::set<uint32_t>::node_type entry;
    std::unique_ptr<Command> answered;
    command->waits = true;
    std::unique_lock<std::mutex> guard(worker->lock);
    if (worker->closed)
        return false;
    if (command->kind == Command::Kind::Remove) {
        entry = worker->handles.extract(command->handle);
        if (entry.empty())
            return false;
    }
    Command* posted = command.release();
    worker->Enqueue(posted);
    const std::chrono::milliseconds limit = worker->unanswered ? kNoWait : kAnswerLimit;
    if (!worker->changed.wait_for(guard, limit, [&] { return posted->done; })) {
        posted->abandoned = true;
        worker->unanswered = true;
        return false;
    }
    answered.reset(posted);
    return posted->result;
}

bool AudioEngine::Resume()
{
    return Post(std::make_unique<Command>(Command::Kind::Resume));
}

bool AudioEngine::Pause()
{
    return Call(std::make_unique<Command>(Command::Kind::Pause));
}

bool AudioEngine::Add(uint32_t handle, std::unique_ptr<Stream> stream)
{
    auto command = std::make_unique<Command>(Command::Kind::Add);
    command->voice = std::make_unique<Voice>(handle, std::move(stream));
    // The handle's entry is made here, so that nothing allocates under the lock.
    std::set<uint32_t> entry{handle};
    auto node = entry.extract(handle);
    std::lock_guard<std::mutex> guard(worker->lock);
    if (worker->closed)
        return false;
    worker->handles.insert(std::move(node));
    worker->Enqueue(command.release());
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
    auto command = std::make_unique<Command>(Command::Kind::Remove);
    command->handle = handle;
    return Call(std::move(command));
}

bool AudioEngine::Shutdown()
{
    if (!thread.joinable())
        return true;
    bool ended;
    {
        std::unique_lock<std::mutex> guard(worker->lock);
        if (!worker->closed && quit)
            worker->Enqueue(quit.release());
        const std::chrono::milliseconds limit = worker->unanswered ? kNoWait : kAnswerLimit;
        ended = worker->changed.wait_for(guard, limit, [&] { return worker->ended; });
    }
    // An ended worker has only to return from its thread.
    if (ended)
        thread.join();
    else
        thread.detach();
    return ended;
}

// ---- the worker's side

void AudioEngine::Worker::Run() noexcept
{
    std::unique_ptr<OutputDevice> opened;
    try {
        opened = open(deviceId, rate, OutputDevice::kMaxChannels);
    } catch (...) {
    }
    deviceRate = rate;
    deviceChannels = OutputDevice::kMaxChannels;
    {
        std::lock_guard<std::mutex> guard(lock);
        started = true;
        if (opened && !closed)
            device = std::move(opened);
        else
            closed = true;
    }
    changed.notify_all();
    // Opened after the caller gave up: closed again at once.
    opened.reset();
    if (device) {
        try {
            Loop();
        } catch (...) {
            // Nothing is expected here (a stream's failure stops only that
            // stream); should it happen all the same, the worker ends as on Quit.
        }
    }
    Finish();
}

void AudioEngine::Worker::Finish()
{
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
    {
        std::lock_guard<std::mutex> guard(lock);
        ended = true;
    }
    changed.notify_all();
}

void AudioEngine::Worker::Loop()
{
    for (;;) {
        Command* command = TakeCommands();
        while (command) {
            Command* next = command->next;
            if (command->kind == Command::Kind::Quit) {
                // Ending: those behind it fail, as do those still to come. A
                // device that does not stop is not replaced now: its release
                // leaves it what it holds.
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
                // Output ended meanwhile fails the commands after it.
                result = !failed && Execute(*command);
            } catch (...) {
            }
            Acknowledge(command, result);
            command = next;
        }
        if (!failed)
            PrepareDevice();
        if (!failed && device) {
            Reclaim();
            if (!Fill())
                continue;
        }
        if (failed)
            return;
        Sleep();
    }
}

AudioEngine::Command* AudioEngine::Worker::TakeCommands()
{
    std::lock_guard<std::mutex> guard(lock);
    Command* taken = firstCommand;
    firstCommand = lastCommand = nullptr;
    commandsWaiting = false;
    unanswered = false;
    return taken;
}

void AudioEngine::Worker::Acknowledge(Command* command, bool result)
{
    bool drop = !command->waits;
    if (!drop) {
        std::lock_guard<std::mutex> guard(lock);
        drop = command->abandoned;
        command->result = result;
        command->done = true;
    }
    if (drop) {
        delete command;
        return;
    }
    // The caller may return and take its command with it as soon as the lock is released.
    changed.notify_all();
}

AudioEngine::Voice* AudioEngine::Worker::Find(uint32_t handle) const
{
    for (Voice* voice = voices; voice; voice = voice->next)
        if (voice->handle == handle)
            return voice;
    return nullptr;
}

bool AudioEngine::Worker::Execute(Command& command)
{
    switch (command.kind) {
    case Command::Kind::Resume:
        outputOn = true;
        openFailed = false;
        return true;
    case Command::Kind::Pause:
        outputOn = false;
        return CloseOutput(playing);
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
            Stop(playing);
            playing = voice;
        }
        openFailed = false;
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
            Stop(nullptr);
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

bool AudioEngine::Worker::StopOutput(Voice* keeper)
{
    if (!device)
        return true;
    // A device that cannot tell its position has played none of what it holds.
    const size_t queuedFrames = queued * kFrames;
    uint32_t position = 0;
    const size_t playedQueued = device->Position(position) ? PlayedQueued(position, returned, queuedFrames) : 0;
    const bool stopped = device->Reset();
    if (keeper) {
        // In stream order: the queued frames not yet played, the buffer being
        // filled, then what the keeper still carried from an earlier stop.
        // The device holds frames of the keeper's format, which it was opened for.
        const size_t ch = size_t(keeper->stream->Channels());
        const size_t back = queuedFrames - playedQueued + filled;
        int16_t* carry = keeper->carry.data();
        const size_t carried = keeper->carryEnd - keeper->carryUsed;
        std::memmove(carry + ch * back, carry + ch * keeper->carryUsed, ch * carried * sizeof(int16_t));
        size_t at = 0;
        for (size_t skip = playedQueued, i = 0; i <= queued; ++i) {
            const size_t frames = i < queued ? kFrames : filled;
            const size_t from = std::min(skip, frames);
            skip -= from;
            const int16_t* buffer = device->Buffer((firstQueued + i) % kBuffers);
            std::memcpy(carry + ch * at, buffer + ch * from, ch * (frames - from) * sizeof(int16_t));
            at += frames - from;
        }
        keeper->carryUsed = 0;
        keeper->carryEnd = back + carried;
    }
    firstQueued = (firstQueued + queued) % kBuffers;
    queued = 0;
    filled = 0;
    returned = 0;
    return stopped;
}

void AudioEngine::Worker::Stop(Voice* keeper)
{
    if (!StopOutput(keeper))
        CloseOutput(nullptr);
}

bool AudioEngine::Worker::CloseOutput(Voice* keeper)
{
    const bool stopped = StopOutput(keeper);
    std::unique_ptr<OutputDevice> closing;
    {
        std::lock_guard<std::mutex> guard(lock);
        closing = std::move(device);
        // One that did not stop ends the output; callers see that before it is closed.
        closed = closed || !stopped;
    }
    // Closed outside the lock, which Enqueue takes to wake it.
    closing.reset();
    failed = failed || !stopped;
    return stopped;
}

bool AudioEngine::Worker::OpenDevice(uint32_t openRate, int channels)
{
    std::unique_ptr<OutputDevice> opened;
    try {
        opened = open(deviceId, openRate, channels);
    } catch (...) {
    }
    if (!opened)
        return false;
    deviceRate = openRate;
    deviceChannels = channels;
    std::lock_guard<std::mutex> guard(lock);
    device = std::move(opened);
    return true;
}

void AudioEngine::Worker::PrepareDevice()
{
    if (!playing || !outputOn || openFailed)
        return;
    const Stream& stream = *playing->stream;
    if (device && deviceRate == stream.Rate() && deviceChannels == stream.Channels())
        return;
    // The device holds nothing here: the stream that filled it was stopped when another took its place.
    if (CloseOutput(nullptr)) {
        onTrial = false;
        openFailed = !OpenDevice(stream.Rate(), stream.Channels());
    }
}

void AudioEngine::Worker::ReplaceDevice()
{
    if (onTrial) {
        // The replacement failed too: the output ends, and callers see that
        // before the device is closed.
        std::lock_guard<std::mutex> guard(lock);
        closed = true;
    }
    // Closed before the next opens: a device may take one user at a time.
    if (!CloseOutput(playing) || onTrial || !OpenDevice(deviceRate, deviceChannels))
        failed = true;
    onTrial = true;
}

void AudioEngine::Worker::Reclaim()
{
    while (queued > 0 && device->Done(firstQueued)) {
        firstQueued = (firstQueued + 1) % kBuffers;
        --queued;
        returned += kFrames;
        onTrial = false;
    }
}

bool AudioEngine::Worker::Fill()
{
    while (device && playing && outputOn && queued < kBuffers) {
        const size_t index = (firstQueued + queued) % kBuffers;
        Stream& stream = *playing->stream;
        const bool ended = stream.finished && playing->carryUsed == playing->carryEnd;
        if (ended && filled == 0)
            return true;
        if (!FillBuffer(device->Buffer(index)))
            return false;
        if (!playing || !device)
            return true;
        if (!device->Play(index)) {
            // Refused: this buffer and what the device held unplayed go back
            // to the stream, which plays on through another device.
            ReplaceDevice();
            continue;
        }
        ++queued;
        filled = 0;
    }
    return true;
}

bool AudioEngine::Worker::FillBuffer(int16_t* buffer)
{
    Voice& voice = *playing;
    const size_t ch = size_t(deviceChannels);
    while (filled < kFrames) {
        if (commandsWaiting.load(std::memory_order_relaxed))
            return false;
        const size_t step = std::min(kRenderStep, kFrames - filled);
        if (voice.carryUsed < voice.carryEnd) {
            const size_t count = std::min(step, voice.carryEnd - voice.carryUsed);
            std::memcpy(buffer + ch * filled, voice.carry.data() + ch * voice.carryUsed, ch * count * sizeof(int16_t));
            voice.carryUsed += count;
            filled += count;
            continue;
        }
        if (voice.stream->finished) {
            // The stream's last buffer ends in silence.
            std::fill(buffer + ch * filled, buffer + ch * kFrames, int16_t(0));
            filled = kFrames;
            break;
        }
        try {
            filled += voice.stream->RenderStep(buffer + ch * filled, step);
        } catch (...) {
            Silence(voice);
            Stop(nullptr);
            playing = nullptr;
            return true;
        }
    }
    return true;
}

void AudioEngine::Worker::Silence(Voice& voice)
{
    // A stream whose decoding failed plays nothing more until it is started again.
    voice.stream->finished = true;
    voice.carryUsed = voice.carryEnd = 0;
}

void AudioEngine::Worker::Sleep()
{
    // A command that came while there was no device to wake is taken now.
    if (commandsWaiting)
        return;
    if (!device) {
        std::unique_lock<std::mutex> guard(lock);
        arrived.wait_for(guard, kIdleLimit, [&] { return firstCommand != nullptr; });
        return;
    }
    const bool holding = queued > 0;
    if (device->Wait(uint32_t((holding ? kStallLimit : kIdleLimit).count())) || !holding || device->Done(firstQueued))
        return;
    // Not one buffer back in all that time: the device is stuck or gone.
    ReplaceDevice();
}
