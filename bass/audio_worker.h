#pragma once
// The library's worker and the commands it carries out.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

#include "bass/audio_library.h"
#include "bass/output_device.h"
#include "bass/stream.h"

struct AudioLibrary::Command {
    enum class Kind { Start, Stop, StreamCreateFile, StreamPlay, StreamFree, Free };
    explicit Command(Kind kind, uint32_t handle = 0) : kind(kind), handle(handle) {}
    Kind kind;
    uint32_t handle;
    bool restart = false;
    bool loop = false;
    std::unique_ptr<Stream> stream;  // StreamCreateFile
    std::promise<bool> answer;       // the result, for a caller that waits; the worker deletes the command
    Command* next = nullptr;
};

// Everything the worker touches, owned jointly by the library and the worker's
// thread, so that either may let go first.
struct AudioLibrary::Worker {
    using Clock = std::chrono::steady_clock;
    // What a stop can take back: every queued buffer and the one being filled.
    static constexpr size_t kCarryFrames = (OutputDevice::kBufferCount + 1) * OutputDevice::kBufferFrames;

    // Where the worker stands, as callers see it.
    enum class Phase {
        Opening,     // checking the device at Init
        Running,     // taking commands
        Unanswered,  // taking commands, but a caller gave up waiting for one not answered yet
        Ending,      // taking no more: freed, its output ended, or given up on at Init
        Ended,       // everything released
    };
    // The output, as the worker alone sees it.
    enum class Output {
        Closed,   // no device: opened at `openAt` when the stream is to play
        Open,     // a device, playing the stream
        Stopped,  // closed by Stop until Start
    };

    Worker(OutputDeviceOpener opener, int id)
        : open(opener), deviceId(id), carry(OutputDevice::kMaxChannels * kCarryFrames)
    {
    }

    // Starts a worker, which checks that the device opens at `rate`; null when it does not (in time).
    static std::shared_ptr<Worker> Init(OutputDeviceOpener open, int device, uint32_t rate);

    // The callers' side. Hands the worker a command and returns at once (Post)
    // or waits for its result (Call); false when it does not take it.
    bool Post(std::unique_ptr<Command> command);
    bool Call(std::unique_ptr<Command> command);
    bool Free();
    // Under `lock`.
    bool Taking() const { return phase == Phase::Running || phase == Phase::Unanswered; }
    // The worker's side, without `lock`: whether its output has ended.
    bool Ending()
    {
        std::lock_guard<std::mutex> guard(lock);
        return phase == Phase::Ending;
    }
    // Whether the worker takes `command` now; keeps `handle` up to date as it does.
    bool Accepts(const Command& command);
    void Enqueue(Command* command);

    // The worker's side.
    void Run(uint32_t rate) noexcept;
    void Loop();
    void Finish();
    Command* TakeCommands();
    static void Answer(Command* command, bool result);
    bool Execute(Command& command);
    // A stream that has something to play and is to play it.
    bool Playable() const { return stream && playing && !(stream->finished && carryUsed == carryEnd); }
    void OpenDevice();
    // Stops the device at once; what it held unplayed goes back to the carry
    // (`keep`) or is dropped. False when it did not stop: it may still hold them.
    bool ResetDevice(bool keep);
    // Closes the device, leaving one that did not stop its buffers (see
    // OutputDevice's destructor); `ending` ends the output, as callers see first.
    void ReleaseDevice(bool ending);
    // Both; a device that does not stop ends the output: false.
    bool CloseDevice(bool keep);
    // Closes a device that refused a buffer or kept them too long, to try another after the back-off.
    void DeviceFailed();
    void RetryLater();
    void Reclaim();
    // Queues buffers while there is room and something to play; false when a command interrupted it.
    bool Fill();
    bool FillBuffer(int16_t* buffer);
    void Silence();
    // Sleeps on the device, or without one until a command comes or it is time to try one.
    void Sleep();

    const OutputDeviceOpener open;
    const int deviceId;

    // Shared with the callers, under `lock`; the worker peeks at `firstCommand` between render steps.
    std::mutex lock;
    std::condition_variable changed;  // the phase changed
    std::condition_variable arrived;  // a command, for a worker without a device
    std::atomic<Command*> firstCommand{nullptr};
    Command* lastCommand = nullptr;
    Phase phase = Phase::Opening;
    uint32_t handle = 0;                   // the stream's, 0 when there is none
    std::unique_ptr<OutputDevice> device;  // set and released by the worker
    // Made ahead, so that Free allocates nothing.
    std::unique_ptr<Command> freeCommand = std::make_unique<Command>(Command::Kind::Free);

    // The worker's own.
    Output output = Output::Closed;
    Clock::time_point openAt;
    std::chrono::milliseconds backoff = kRetryFirst;
    int abandoned = 0;  // failed devices that did not stop either, left their buffers
    std::unique_ptr<Stream> stream;
    bool playing = false;
    std::vector<int16_t> carry;  // frames [carryUsed, carryEnd) play before the stream's next
    size_t carryUsed = 0;
    size_t carryEnd = 0;
    size_t firstQueued = 0;  // the oldest buffer the device holds
    size_t queued = 0;       // buffers the device holds
    size_t filled = 0;       // frames rendered into the buffer after them
    uint64_t returned = 0;   // frames given back since the last reset
};

// How many frames of the buffers a device still holds it has played, from its
// position (frames played since its last reset, modulo
// OutputDevice::kPositionModulo) and the frames of the buffers it has given
// back since that reset (counted in 64 bits: no realistic run wraps them).
// Never more than the `queued` frames it holds; none when its position lags
// behind the buffers it gave back, so that a stop keeps those frames: a few
// may play twice, none is skipped.
inline size_t PlayedQueued(uint32_t position, uint64_t returned, size_t queued)
{
    constexpr uint32_t kMask = OutputDevice::kPositionModulo - 1;
    const uint32_t ahead = (position - uint32_t(returned)) & kMask;
    if (ahead > kMask / 2)
        return 0;
    return std::min<size_t>(ahead, queued);
}
