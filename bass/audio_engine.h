#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "bass/output_device.h"
#include "bass/stream.h"

// The library's state between BASS_Init and BASS_Free: one worker thread that
// owns the output device and every stream's decoding. The calls below, from
// any thread, hand the worker commands through a queue, which it carries out
// in order; those that promise an effect at once wait for its acknowledgement.
// Nothing decodes, allocates or waits for the worker while holding the queue's
// lock. The worker sleeps on the device (a buffer given back, or a command
// arrived) and does nothing at all while nothing plays.
//
// The worker renders in short steps and takes commands between them, so a
// caller that waits does so for one step at most. Output a stop takes back
// from the device (queued but not yet played) is kept with its stream and
// plays first when the stream plays again.
class AudioEngine {
public:
    // Starts the worker, which opens the device; null when the device does not
    // open or the thread cannot start. The output starts running.
    static std::unique_ptr<AudioEngine> Start(OutputDeviceOpener open, int device, uint32_t rate);
    // Shuts down first if that has not happened.
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // Each returns false when the worker has ended or `handle` names no
    // stream; those that do not wait may throw std::bad_alloc (nothing has
    // changed then).
    bool Resume();
    // Waits: when it returns the device holds nothing and receives nothing more
    // until Resume. The playing stream keeps its place.
    bool Pause();
    // Takes the stream under a handle the caller has never used before.
    bool Add(uint32_t handle, std::unique_ptr<Stream> stream);
    // Plays the stream instead of the one playing (which keeps its place);
    // `restart` starts it from the beginning.
    bool Play(uint32_t handle, bool restart, bool loop);
    // Waits: when it returns the device receives nothing more of the stream,
    // and the stream is gone.
    bool Remove(uint32_t handle);
    // Waits until the worker has stopped the output, released every stream and
    // the device, and ended.
    void Shutdown();

private:
    struct Voice;
    struct Command;

    AudioEngine() = default;
    // The callers' side. Enqueue is called under `lock`.
    void Enqueue(Command* command);
    bool Post(std::unique_ptr<Command> command);
    bool PostAndWait(Command& command);
    // The worker's side.
    void Run(OutputDeviceOpener open, int device, uint32_t rate);
    void Loop();
    Command* TakeCommands();
    void Acknowledge(Command* command, bool result);
    bool Execute(Command& command);
    Voice* Find(uint32_t handle) const;
    // Stops the output at once; what it held unplayed goes back to `keeper`, or is dropped.
    void StopOutput(Voice* keeper);
    void Reclaim();
    // Queues buffers while there is room and something to play; false when a
    // command interrupted it.
    bool Fill();
    bool FillBuffer(int16_t* buffer);
    void Silence(Voice& voice);

    // Shared between the callers and the worker, under `lock`.
    std::mutex lock;
    std::condition_variable acknowledged;
    Command* firstCommand = nullptr;
    Command* lastCommand = nullptr;
    std::set<uint32_t> handles;  // the streams added and not removed
    bool started = false;        // the worker has tried to open the device
    bool closed = false;         // the worker takes no more commands
    std::atomic<bool> commandsWaiting{false};
    std::unique_ptr<OutputDevice> device;  // set and released by the worker, under `lock`
    std::thread worker;

    // The worker's own.
    Voice* voices = nullptr;  // a list through Voice::next
    Voice* playing = nullptr;
    bool outputOn = true;
    size_t firstQueued = 0;   // the oldest buffer the device holds
    size_t queued = 0;        // buffers the device holds
    size_t filled = 0;        // frames rendered into the buffer after them
    uint32_t returned = 0;    // frames given back since the last reset, modulo 2^32
};
