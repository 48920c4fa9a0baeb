#pragma once
// A recording output device on a simulated clock, for the library's native
// tests. The device "plays" what is queued only when the test moves its clock
// on, and the worker's sleep on it runs out by that clock too; it records every
// frame it plays, every buffer it is given and every time the worker wakes from
// sleeping on it. Its record outlives it, so a test can look at a device the
// worker has already closed. It can be opened with faults: it refuses buffers,
// fails to stop, keeps its buffers, hangs, or misreports its position.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "bass/output_device.h"

struct DeviceFaults {
    uint64_t refuseAfter = UINT64_MAX;  // buffers it takes before it refuses every one
    bool resetFails = false;            // Reset fails and gives nothing back
    bool stalls = false;                // plays nothing and gives nothing back
    bool hangs = false;                 // Reset blocks until Release
    bool positionFails = false;         // Position cannot tell
    uint32_t positionLag = 0;           // the position it reports lags the frames played by this much
};

struct DeviceRecord {
    // Moves the clock on by `frames`, playing what is queued. Each buffer played
    // through goes back to the worker, and its sleep runs out when its time
    // comes; with `oneWakeEach` the clock then waits until the worker sleeps
    // again before it goes on, so that each wakes it once.
    void Advance(size_t frames, bool oneWakeEach = true);
    // Waits until the worker sleeps with nothing left to do, or the device is
    // closed; false when neither happens within seconds (a worker that spins or hangs).
    bool WaitIdle();
    // Buffers the device holds now.
    size_t QueuedBuffers();
    // Lets a Reset that hangs return.
    void Release();

    bool Idle() const { return sleeping && !signalled && clock < deadline; }

    DeviceFaults faults;
    uint32_t rate = 0;
    size_t channels = 0;
    std::mutex lock;
    std::condition_variable changed;
    struct Queued {
        size_t index;
        std::vector<int16_t> frames;
        size_t played = 0;
    };
    std::deque<Queued> queue;
    bool done[OutputDevice::kBufferCount] = {};
    std::vector<int16_t> played;    // every frame played, in order
    uint64_t position = 0;          // frames played since the last reset
    uint64_t clock = 0;             // frames of time gone by
    uint64_t deadline = UINT64_MAX; // when the worker's sleep runs out
    uint64_t received = 0;          // buffers queued
    uint64_t returned = 0;          // buffers played through and given back
    uint64_t wakeups = 0;           // the worker's wakes from Wait
    uint64_t resets = 0;
    bool signalled = false;
    bool sleeping = false;
    bool hung = false;              // a Reset hangs now
    bool released = false;
    bool closed = false;
};

// The opener the library is given: each device it opens gets a fresh record,
// which gDevices keeps, and the first of gDevices.faults if there is one. With
// gDevices.fail set no device opens.
std::unique_ptr<OutputDevice> OpenFakeDevice(int device, uint32_t rate, int channels);
struct FakeDevices {
    std::mutex lock;
    std::vector<std::shared_ptr<DeviceRecord>> opened;
    std::condition_variable changed;
    bool fail = false;
    std::deque<DeviceFaults> faults;
    // Called (under the record's lock) with every buffer a device is given.
    void (*inspect)(const std::vector<int16_t>& frames) = nullptr;
    std::shared_ptr<DeviceRecord> Last();
    size_t Count();
    // Waits for the device opened `count`th; null when it is not within seconds.
    std::shared_ptr<DeviceRecord> WaitOpened(size_t count);
};
extern FakeDevices gDevices;
