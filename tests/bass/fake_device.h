#pragma once
// A recording output device on a simulated clock, for the engine's native
// tests. The device "plays" what is queued only when the test moves its clock
// on; it records every frame it plays, every buffer it is given and every time
// the worker wakes from sleeping on it. Its record outlives it, so a test can
// look at a device the engine has already closed.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "bass/output_device.h"

struct DeviceRecord {
    // Plays `frames` frames of what is queued. Each buffer played through goes
    // back to the worker; with `oneWakeEach` the clock then waits until the
    // worker sleeps again before it goes on, so that each return wakes it once.
    void Advance(size_t frames, bool oneWakeEach = true);
    // Waits until the worker sleeps with nothing left to do, or the device is closed.
    void WaitIdle();
    // Buffers the device holds now.
    size_t QueuedBuffers();

    std::mutex lock;
    std::condition_variable changed;
    struct Queued {
        size_t index;
        std::vector<int16_t> frames;
        size_t played = 0;
    };
    std::deque<Queued> queue;
    bool done[OutputDevice::kBufferCount] = {};
    std::vector<int16_t> played;    // every stereo frame played, in order
    uint32_t position = 0;          // frames played since the last reset
    uint64_t received = 0;          // buffers queued
    uint64_t returned = 0;          // buffers played through and given back
    uint64_t wakeups = 0;           // the worker's wakes from Wait
    uint64_t resets = 0;
    bool signalled = false;
    bool sleeping = false;
    bool closed = false;
};

// The opener the engine is given: each device it opens gets a fresh record,
// which gDevices keeps. With gDeviceFails set no device opens.
std::unique_ptr<OutputDevice> OpenFakeDevice(int device, uint32_t rate);
struct FakeDevices {
    std::mutex lock;
    std::vector<std::shared_ptr<DeviceRecord>> opened;
    bool fail = false;
    // Called (under the record's lock) with every buffer a device is given.
    void (*inspect)(const std::vector<int16_t>& frames) = nullptr;
    std::shared_ptr<DeviceRecord> Last();
};
extern FakeDevices gDevices;
