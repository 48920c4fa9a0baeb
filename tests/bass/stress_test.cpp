// Several threads call the library in random order for a few seconds (init,
// create, play, stop, start, free a stream, free the library; handles valid,
// stale and made up) while a clock thread plays what the devices are given.
// Built twice: under ThreadSanitizer, and under AddressSanitizer with its leak
// check. Beyond the sanitizers' word it checks that once a stream's free has
// returned no buffer given to a device holds its samples, and that once the
// library's free has returned its device is closed (and in the end every one).
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bass/audio_library.h"
#include "tests/bass/fake_device.h"
#include "tests/bass/fake_mpeg_decoder.h"
#include "tests/bass/mpeg_bytes.h"

namespace {
constexpr uint32_t kRate = 44100;
constexpr int kCallers = 4;
constexpr auto kRunTime = std::chrono::seconds(3);
constexpr size_t kHandleSlots = 8;
constexpr size_t kStreamFrames = 6000;
constexpr int kStreamNumbers = 32767;

// Each stream's samples hold its own number, so a buffer tells whose it is.
std::mutex gFreedLock;
std::set<int16_t> gFreed;
std::atomic<int> gViolations{0};

void InspectBuffer(const std::vector<int16_t>& frames)
{
    std::lock_guard<std::mutex> guard(gFreedLock);
    for (int16_t sample : frames)
        if (sample != 0 && gFreed.count(sample)) {
            ++gViolations;
            return;
        }
}

// The test's files, made from their names: every sample of "<number>" holds that number.
std::unique_ptr<ByteSource> OpenNumbered(const char* name)
{
    const Bytes file = Wav(kRate, 1, 16, std::vector<int16_t>(kStreamFrames, int16_t(std::atoi(name))));
    return std::make_unique<MemorySource>(file);
}

struct Shared {
    AudioLibrary library{OpenFakeDevice, FakeMpegDecoder::Create, OpenNumbered};
    std::atomic<uint32_t> handles[kHandleSlots] = {};
    std::mutex numbersLock;
    std::vector<std::pair<uint32_t, int16_t>> numbers;  // handle, the samples' value
    std::atomic<int> nextNumber{1};
    std::atomic<bool> running{true};
    std::atomic<int> unclosedAfterFree{0};
    std::atomic<long> calls{0};
};

void Caller(Shared& shared, unsigned seed)
{
    std::mt19937 random(seed);
    while (shared.running) {
        const uint32_t slotHandle = shared.handles[random() % kHandleSlots];
        // A handle that was valid once, or a number that never was.
        const uint32_t handle = random() % 4 == 0 ? random() % 1000 : slotHandle;
        switch (random() % 9) {
        case 0:
            shared.library.Init(-1, kRate);
            break;
        case 1:
            shared.library.Start();
            break;
        case 2:
        case 3: {
            // A number once given is never given again, so that a freed stream's
            // samples cannot be taken for a newer stream's; past them, no more streams.
            const int next = shared.nextNumber++;
            if (next > kStreamNumbers)
                break;
            const int16_t number = int16_t(next);
            const uint32_t created = shared.library.StreamCreateFile(std::to_string(next).c_str());
            if (created) {
                std::lock_guard<std::mutex> guard(shared.numbersLock);
                shared.numbers.push_back({created, number});
                shared.handles[random() % kHandleSlots] = created;
            }
            break;
        }
        case 4:
        case 5:
            shared.library.StreamPlay(handle, random() % 2 == 0, random() % 2 == 0);
            break;
        case 6:
            shared.library.Stop();
            break;
        case 7:
            if (shared.library.StreamFree(handle)) {
                std::lock_guard<std::mutex> numbers(shared.numbersLock);
                std::lock_guard<std::mutex> freed(gFreedLock);
                for (const auto& entry : shared.numbers)
                    if (entry.first == handle)
                        gFreed.insert(entry.second);
            }
            break;
        case 8: {
            // The worker freed owns the newest device, unless another opened
            // meanwhile; older ones may belong to workers that an earlier free
            // left behind, which close them by themselves.
            const size_t before = gDevices.Count();
            const std::shared_ptr<DeviceRecord> newest = gDevices.Last();
            if (shared.library.Free() && newest && gDevices.Count() == before) {
                std::lock_guard<std::mutex> device(newest->lock);
                if (!newest->closed)
                    ++shared.unclosedAfterFree;
            }
            break;
        }
        }
        ++shared.calls;
    }
}

// Plays what the newest device holds, about as fast as the worker fills it.
void Clock(Shared& shared)
{
    while (shared.running) {
        if (std::shared_ptr<DeviceRecord> device = gDevices.Last())
            device->Advance(OutputDevice::kBufferFrames, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
}  // namespace

TEST_CASE("calls from several threads in random order: no race, no crash, no leak, nothing after a free")
{
    gDevices.inspect = InspectBuffer;
    Shared shared;
    std::vector<std::thread> threads;
    for (int i = 0; i < kCallers; ++i)
        threads.emplace_back(Caller, std::ref(shared), unsigned(1234 + i));
    threads.emplace_back(Clock, std::ref(shared));
    std::this_thread::sleep_for(kRunTime);
    shared.running = false;
    for (std::thread& thread : threads)
        thread.join();
    shared.library.Free();
    gDevices.inspect = nullptr;

    MESSAGE(shared.calls.load(), " calls, ", gDevices.opened.size(), " devices opened");
    CHECK(shared.calls > 1000);
    CHECK(gDevices.opened.size() > 1);
    CHECK(gViolations == 0);
    CHECK(shared.unclosedAfterFree == 0);
    // A worker left behind ends soon: WaitIdle returns once its device is closed.
    for (const auto& device : gDevices.opened)
        CHECK((device->WaitIdle() && device->closed));
}
