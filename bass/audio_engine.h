#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "bass/output_device.h"
#include "bass/stream.h"

// The library's state between BASS_Init and BASS_Free: one worker thread that
// owns the output device and every stream's decoding. The calls below, from
// any thread, hand the worker commands through a queue, which it carries out
// in order; those that promise an effect at once wait for its acknowledgement.
// Nothing decodes, allocates or waits for the worker while holding the queue's
// lock. The worker sleeps on the device (a buffer given back, or a command
// arrived) and, while nothing plays, wakes only for commands (and once in
// several minutes, so that its sleep too has a limit).
//
// The worker renders in short steps and takes commands between them, so a
// caller that waits does so for one step at most; a long search through a
// damaged file is cut into such steps too. Output a stop takes back from the
// device (queued but not yet played) is kept with its stream and plays first
// when the stream plays again.
//
// No wait is without a limit. A caller waits kAnswerLimit at most for the
// worker (kOpenLimit for the device to open); a call that gives up returns
// false, and until the worker takes commands again the calls after it do not
// wait at all: a worker stuck in a hung driver, or gone, costs a closing
// program one limit, not one per call. The worker's state is its own, so a
// worker left behind (by a Shutdown or Start that gave up) frees it when it
// ends, if ever, and never touches what the callers have freed.
//
// A device that refuses a buffer, does not stop, or gives no buffer back for
// kStallLimit is closed and another one opened, which plays on from where the
// first stopped. When that one fails too before it has played a buffer, the
// worker ends as on Shutdown and every call fails from then on.
class AudioEngine {
public:
    static constexpr std::chrono::milliseconds kOpenLimit{5000};
    static constexpr std::chrono::milliseconds kAnswerLimit{50};
    static constexpr std::chrono::milliseconds kStallLimit{2000};

    // Starts the worker, which opens the device; null when the device does not
    // open (in time) or the thread cannot start. The output starts running.
    static std::unique_ptr<AudioEngine> Start(OutputDeviceOpener open, int device, uint32_t rate);
    // Shuts down first if that has not happened.
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // Each returns false when the worker has ended, does not answer in time
    // (those that wait), or `handle` names no stream; those that do not wait
    // may throw std::bad_alloc (nothing has changed then).
    bool Resume();
    // Waits: when it returns true the device holds nothing and receives
    // nothing more until Resume. The playing stream keeps its place.
    bool Pause();
    // Takes the stream under a handle the caller has never used before.
    bool Add(uint32_t handle, std::unique_ptr<Stream> stream);
    // Plays the stream instead of the one playing (which keeps its place);
    // `restart` starts it from the beginning.
    bool Play(uint32_t handle, bool restart, bool loop);
    // Waits: when it returns true the device receives nothing more of the
    // stream, and the stream is gone. Once it has returned, whatever the
    // result, the handle names no stream.
    bool Remove(uint32_t handle);
    // Waits until the worker has stopped the output, released every stream and
    // the device, and ended; false when it has not within kAnswerLimit: the
    // worker is then left to end by itself.
    bool Shutdown();

private:
    struct Voice;
    struct Command;
    struct Worker;

    explicit AudioEngine(std::shared_ptr<Worker> worker);
    // Hands the worker a command and returns at once.
    bool Post(std::unique_ptr<Command> command);
    // Hands the worker a command and waits for its result.
    bool Call(std::unique_ptr<Command> command);

    const std::shared_ptr<Worker> worker;
    std::unique_ptr<Command> quit;  // made at the start, so that shutting down allocates nothing
    std::thread thread;
};
