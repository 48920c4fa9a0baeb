#include "bass/audio_worker.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "bass/thread_starter.h"

namespace {
constexpr size_t kFrames = OutputDevice::kBufferFrames;
constexpr size_t kBuffers = OutputDevice::kBufferCount;
// Frames rendered per step; commands are taken between steps.
constexpr size_t kRenderStep = 256;
// With no buffer to give back only a command wakes the worker: a limit all the same, of minutes.
constexpr std::chrono::milliseconds kIdleLimit{5 * 60 * 1000};
constexpr std::chrono::milliseconds kNoWait{0};
}  // namespace

std::shared_ptr<AudioLibrary::Worker> AudioLibrary::Worker::Init(OutputDeviceOpener open, int deviceId, uint32_t rate)
{
    auto worker = std::make_shared<Worker>(open, deviceId);
    if (!StartThread([worker, rate] { worker->Run(rate); }))
        return nullptr;
    std::unique_lock<std::mutex> guard(worker->lock);
    // Given up on, the worker closes the device it opens late, and ends.
    if (!worker->changed.wait_for(guard, kOpenLimit, [&] { return worker->phase != Phase::Opening; }))
        worker->phase = Phase::Ending;
    return worker->Taking() ? worker : nullptr;
}

// ---- the callers' side

bool AudioLibrary::Worker::Accepts(const Command& command)
{
    if (!Taking())
        return false;
    switch (command.kind) {
    case Command::Kind::StreamCreateFile:
        if (handle != 0)
            return false;
        handle = command.handle;
        return true;
    case Command::Kind::StreamPlay:
        return handle != 0 && command.handle == handle;
    case Command::Kind::StreamFree:
        if (handle == 0 || command.handle != handle)
            return false;
        handle = 0;
        return true;
    default:
        return true;
    }
}

void AudioLibrary::Worker::Enqueue(Command* command)
{
    if (lastCommand)
        lastCommand->next = command;
    else
        firstCommand = command;
    lastCommand = command;
    if (device)
        device->Wake();
    arrived.notify_one();
}

bool AudioLibrary::Worker::Post(std::unique_ptr<Command> command)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!Accepts(*command))
        return false;
    Enqueue(command.release());
    return true;
}

bool AudioLibrary::Worker::Call(std::unique_ptr<Command> command)
{
    std::future<bool> answer = command->answer.get_future();
    std::chrono::milliseconds limit = kAnswerLimit;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!Accepts(*command))
            return false;
        if (phase == Phase::Unanswered)
            limit = kNoWait;
        Enqueue(command.release());
    }
    if (answer.wait_for(limit) == std::future_status::ready)
        return answer.get();
    std::lock_guard<std::mutex> guard(lock);
    if (answer.wait_for(kNoWait) == std::future_status::ready)
        return answer.get();
    if (phase == Phase::Running)
        phase = Phase::Unanswered;
    return false;
}

bool AudioLibrary::Worker::Free()
{
    std::unique_lock<std::mutex> guard(lock);
    const std::chrono::milliseconds limit = phase == Phase::Unanswered ? kNoWait : kAnswerLimit;
    if (Taking() && freeCommand)
        Enqueue(freeCommand.release());
    return changed.wait_for(guard, limit, [&] { return phase == Phase::Ended; });
}

// ---- the worker's side

void AudioLibrary::Worker::Run(uint32_t rate) noexcept
{
    std::unique_ptr<OutputDevice> checked;
    try {
        checked = open(deviceId, rate, OutputDevice::kMaxChannels);
    } catch (...) {
    }
    // Closed again before Init returns: nothing plays yet.
    const bool opened = checked != nullptr;
    checked.reset();
    bool running;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (phase == Phase::Opening)
            phase = opened ? Phase::Running : Phase::Ending;
        running = Taking();
    }
    changed.notify_all();
    if (running) {
        try {
            Loop();
        } catch (...) {
            // Not expected (a stream's failure stops only the stream): the worker ends as on Free.
        }
    }
    Finish();
}

void AudioLibrary::Worker::Finish()
{
    stream.reset();
    // Every command not yet carried out fails; the device goes last.
    Command* left;
    std::unique_ptr<OutputDevice> released;
    {
        std::lock_guard<std::mutex> guard(lock);
        phase = Phase::Ending;
        left = firstCommand.exchange(nullptr);
        lastCommand = nullptr;
        released = std::move(device);
    }
    while (left) {
        Command* next = left->next;
        Answer(left, false);
        left = next;
    }
    released.reset();
    {
        std::lock_guard<std::mutex> guard(lock);
        phase = Phase::Ended;
    }
    changed.notify_all();
}

void AudioLibrary::Worker::Loop()
{
    for (;;) {
        bool freed = false;
        // Taken until none is left, so that a call given up on is answered before the output goes on.
        for (Command* command = TakeCommands(); command;) {
            Command* next = command->next;
            bool result = false;
            // Those behind a Free fail, as do those still to come, and those after the output ended.
            if (!freed && !Ending()) {
                try {
                    result = Execute(*command);
                } catch (...) {
                }
            }
            freed = freed || command->kind == Command::Kind::Free;
            Answer(command, result);
            command = (next || freed) ? next : TakeCommands();
        }
        if (freed || Ending())
            return;
        if (output == Output::Closed && Playable() && Clock::now() >= openAt)
            OpenDevice();
        if (device) {
            Reclaim();
            if (!Fill())
                continue;
            // Nothing more to play: no device is held open for it.
            if (!Playable() && queued == 0)
                CloseDevice(false);
        }
        if (Ending())
            return;
        Sleep();
    }
}

AudioLibrary::Command* AudioLibrary::Worker::TakeCommands()
{
    std::lock_guard<std::mutex> guard(lock);
    Command* taken = firstCommand.exchange(nullptr);
    lastCommand = nullptr;
    // None left: every command given has been answered, and the calls wait again.
    if (!taken && phase == Phase::Unanswered)
        phase = Phase::Running;
    return taken;
}

void AudioLibrary::Worker::Answer(Command* command, bool result)
{
    command->answer.set_value(result);
    delete command;
}

bool AudioLibrary::Worker::Execute(Command& command)
{
    switch (command.kind) {
    case Command::Kind::Start:
        if (output == Output::Stopped) {
            output = Output::Closed;
            openAt = Clock::now();
        }
        return true;
    case Command::Kind::Stop: {
        const bool stopped = CloseDevice(true);
        if (stopped)
            output = Output::Stopped;
        return stopped;
    }
    case Command::Kind::StreamCreateFile:
        stream = std::move(command.stream);
        playing = false;
        carryUsed = carryEnd = 0;
        return true;
    case Command::Kind::StreamPlay:
        if (!stream)
            return false;
        if (command.restart && !ResetDevice(false)) {
            ReleaseDevice(true);
            return false;
        }
        playing = true;
        stream->looping = command.loop;
        if (command.restart || (stream->finished && carryUsed == carryEnd)) {
            carryUsed = carryEnd = 0;
            try {
                stream->Restart();
            } catch (...) {
                Silence();
            }
        }
        return true;
    case Command::Kind::StreamFree: {
        const bool stopped = CloseDevice(false);
        stream.reset();
        playing = false;
        return stopped;
    }
    case Command::Kind::Free:
        // A device that does not stop is closed all the same, and left what it holds.
        CloseDevice(false);
        return true;
    }
    return false;
}

void AudioLibrary::Worker::OpenDevice()
{
    std::unique_ptr<OutputDevice> opened;
    try {
        opened = open(deviceId, stream->Rate(), stream->Channels());
    } catch (...) {
    }
    if (!opened) {
        RetryLater();
        return;
    }
    output = Output::Open;
    std::lock_guard<std::mutex> guard(lock);
    device = std::move(opened);
}

bool AudioLibrary::Worker::ResetDevice(bool keep)
{
    if (!device)
        return true;
    // A device that cannot tell its position has played none of what it holds.
    const size_t queuedFrames = queued * kFrames;
    uint32_t position = 0;
    const size_t playedQueued = device->Position(position) ? PlayedQueued(position, returned, queuedFrames) : 0;
    const bool stopped = device->Reset();
    if (keep && stream) {
        // In stream order: the queued frames not yet played, the buffer being
        // filled, then what the carry still held from an earlier stop. The
        // device holds frames of the stream's format, which it was opened for.
        const size_t ch = size_t(stream->Channels());
        const size_t back = queuedFrames - playedQueued + filled;
        int16_t* into = carry.data();
        const size_t carried = carryEnd - carryUsed;
        std::memmove(into + ch * back, into + ch * carryUsed, ch * carried * sizeof(int16_t));
        size_t at = 0;
        for (size_t skip = playedQueued, i = 0; i <= queued; ++i) {
            const size_t frames = i < queued ? kFrames : filled;
            const size_t from = std::min(skip, frames);
            skip -= from;
            const int16_t* buffer = device->Buffer((firstQueued + i) % kBuffers);
            std::memcpy(into + ch * at, buffer + ch * from, ch * (frames - from) * sizeof(int16_t));
            at += frames - from;
        }
        carryUsed = 0;
        carryEnd = back + carried;
    }
    firstQueued = (firstQueued + queued) % kBuffers;
    queued = 0;
    filled = 0;
    returned = 0;
    return stopped;
}

void AudioLibrary::Worker::ReleaseDevice(bool ending)
{
    std::unique_ptr<OutputDevice> closing;
    {
        std::lock_guard<std::mutex> guard(lock);
        closing = std::move(device);
        if (ending)
            phase = Phase::Ending;
    }
    // Closed outside the lock, which Enqueue takes to wake it.
    closing.reset();
    if (output == Output::Open)
        output = Output::Closed;
}

bool AudioLibrary::Worker::CloseDevice(bool keep)
{
    const bool stopped = ResetDevice(keep);
    ReleaseDevice(!stopped);
    return stopped;
}

void AudioLibrary::Worker::DeviceFailed()
{
    // One that does not stop either is most likely gone (Wine's waveOutReset fails
    // whenever its audio client cannot stop): it is left what it holds, and another tried.
    const bool ending = !ResetDevice(true) && ++abandoned > kAbandonLimit;
    ReleaseDevice(ending);
    if (!ending)
        RetryLater();
}

void AudioLibrary::Worker::RetryLater()
{
    openAt = Clock::now() + backoff;
    backoff = std::min(backoff * 2, kRetryLongest);
}

void AudioLibrary::Worker::Reclaim()
{
    while (queued > 0 && device->Done(firstQueued)) {
        firstQueued = (firstQueued + 1) % kBuffers;
        --queued;
        returned += kFrames;
        backoff = kRetryFirst;
    }
}

bool AudioLibrary::Worker::Fill()
{
    while (device && playing && queued < kBuffers) {
        if (stream->finished && carryUsed == carryEnd && filled == 0)
            return true;
        const size_t index = (firstQueued + queued) % kBuffers;
        if (!FillBuffer(device->Buffer(index)))
            return false;
        if (!playing || !device)
            return true;
        if (!device->Play(index)) {
            // Refused: this buffer and what the device held unplayed go back
            // to the carry, and play first through the next device.
            DeviceFailed();
            continue;
        }
        ++queued;
        filled = 0;
    }
    return true;
}

bool AudioLibrary::Worker::FillBuffer(int16_t* buffer)
{
    const size_t ch = size_t(stream->Channels());
    while (filled < kFrames) {
        if (firstCommand.load(std::memory_order_relaxed))
            return false;
        const size_t step = std::min(kRenderStep, kFrames - filled);
        if (carryUsed < carryEnd) {
            const size_t count = std::min(step, carryEnd - carryUsed);
            std::memcpy(buffer + ch * filled, carry.data() + ch * carryUsed, ch * count * sizeof(int16_t));
            carryUsed += count;
            filled += count;
            continue;
        }
        if (stream->finished) {
            // The stream's last buffer ends in silence.
            std::fill(buffer + ch * filled, buffer + ch * kFrames, int16_t(0));
            filled = kFrames;
            break;
        }
        try {
            filled += stream->RenderStep(buffer + ch * filled, step);
        } catch (...) {
            Silence();
            playing = false;
            CloseDevice(false);
            return true;
        }
    }
    return true;
}

void AudioLibrary::Worker::Silence()
{
    // A stream whose decoding failed plays nothing more until it is started again.
    stream->finished = true;
    carryUsed = carryEnd = 0;
}

void AudioLibrary::Worker::Sleep()
{
    // A command that came while there was no device to wake is taken now.
    if (firstCommand)
        return;
    if (!device) {
        std::unique_lock<std::mutex> guard(lock);
        const auto arrivedOne = [&] { return firstCommand != nullptr; };
        if (output == Output::Closed && Playable())
            arrived.wait_until(guard, openAt, arrivedOne);
        else
            arrived.wait_for(guard, kIdleLimit, arrivedOne);
        return;
    }
    const bool holding = queued > 0;
    if (device->Wait(uint32_t((holding ? kStallLimit : kIdleLimit).count())) || !holding || device->Done(firstQueued))
        return;
    // Not one buffer back in all that time: the device is stuck or gone.
    DeviceFailed();
}
