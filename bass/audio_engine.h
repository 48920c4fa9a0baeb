#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "bass/output_device.h"
#include "bass/stream.h"

// The library's state between BASS_Init and BASS_Free: one worker thread owns
// the output device and every stream, and carries out the commands the calls
// below queue for it, from any thread, in order. Nothing decodes, allocates or
// waits for the worker while holding the queue's lock.
class AudioEngine {
public:
    // A caller waits kAnswerLimit at most for the worker (kOpenLimit for the
    // device to open); after one gives up, the calls do not wait at all until
    // the worker takes commands again, so that a worker stuck in a hung driver
    // costs one limit, not one per call.
    static constexpr std::chrono::milliseconds kOpenLimit{5000};
    static constexpr std::chrono::milliseconds kAnswerLimit{50};
    // A device that gives no buffer back for this long is replaced.
    static constexpr std::chrono::milliseconds kStallLimit{2000};

    // Starts the worker, which opens the device in 16-bit stereo at `rate`;
    // null when it does not open (in time) or the thread cannot start. The
    // output starts running.
    static std::unique_ptr<AudioEngine> Start(OutputDeviceOpener open, int device, uint32_t rate);
    // Shuts down first if that has not happened.
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // Each returns false when the worker has ended, does not answer in time
    // (those that wait), or `handle` names no stream; those that do not wait
    // may throw std::bad_alloc (nothing has changed then).
    //
    // Opens the device again after Pause, when a stream is to play; a device
    // that does not open is tried again at the next Resume or Play.
    bool Resume();
    // Waits: when it returns true the device is closed and nothing more
    // sounds until Resume. What the device held unplayed stays with the stream
    // and plays first when it plays again. False, and the output ends for
    // good, when the device did not stop.
    bool Pause();
    // Takes the stream under a handle the caller has never used before.
    bool Add(uint32_t handle, std::unique_ptr<Stream> stream);
    // Plays the stream instead of the one playing (which keeps its place),
    // through a device opened for its own rate and channel count; `restart`
    // starts it from the beginning.
    bool Play(uint32_t handle, bool restart, bool loop);
    // Waits: when it returns true the device receives nothing more of the
    // stream, and the stream is gone. Once it has returned, whatever the
    // result, the handle names no stream.
    bool Remove(uint32_t handle);
    // Waits until the worker has stopped the output, released every stream and
    // the device, and ended; false when it has not within kAnswerLimit: the
    // worker, whose state is its own, is then left to end by itself.
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
