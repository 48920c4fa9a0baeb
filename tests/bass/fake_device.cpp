#include "tests/bass/fake_device.h"

#include <algorithm>
#include <chrono>

FakeDevices gDevices;

namespace {
// Long enough for any worker that is not stuck; the tests' hang guard.
constexpr auto kHangLimit = std::chrono::seconds(20);
constexpr uint32_t kPositionMask = OutputDevice::kPositionModulo - 1;

class FakeDevice : public OutputDevice {
public:
    explicit FakeDevice(std::shared_ptr<DeviceRecord> record)
        : record(std::move(record)), memory(kBufferCount * kBufferFrames * kMaxChannels)
    {
    }
    ~FakeDevice() override
    {
        std::lock_guard<std::mutex> guard(record->lock);
        record->queue.clear();
        record->closed = true;
        record->changed.notify_all();
    }

    int16_t* Buffer(size_t index) override { return memory.data() + index * kBufferFrames * kMaxChannels; }

    bool Play(size_t index) override
    {
        const int16_t* frames = Buffer(index);
        std::lock_guard<std::mutex> guard(record->lock);
        if (record->received >= record->faults.refuseAfter)
            return false;
        record->queue.push_back({index, std::vector<int16_t>(frames, frames + kBufferFrames * record->channels)});
        record->done[index] = false;
        ++record->received;
        if (gDevices.inspect)
            gDevices.inspect(record->queue.back().frames);
        return true;
    }

    bool Done(size_t index) override
    {
        std::lock_guard<std::mutex> guard(record->lock);
        return record->done[index];
    }

    bool Reset() override
    {
        std::unique_lock<std::mutex> guard(record->lock);
        ++record->resets;
        if (record->faults.hangs) {
            record->hung = true;
            record->changed.notify_all();
            record->changed.wait(guard, [&] { return record->released; });
        }
        if (record->faults.resetFails)
            return false;
        for (const DeviceRecord::Queued& buffer : record->queue)
            record->done[buffer.index] = true;
        record->queue.clear();
        record->position = 0;
        return true;
    }

    bool Position(uint32_t& frames) override
    {
        std::lock_guard<std::mutex> guard(record->lock);
        const DeviceFaults& faults = record->faults;
        frames = uint32_t(record->position - faults.positionLag) & kPositionMask;
        return !faults.positionFails;
    }

    bool Wait(uint32_t milliseconds) override
    {
        std::unique_lock<std::mutex> guard(record->lock);
        record->deadline = record->clock + uint64_t(milliseconds) * record->rate / 1000;
        record->sleeping = true;
        record->changed.notify_all();
        record->changed.wait(guard, [&] { return record->signalled || record->clock >= record->deadline; });
        const bool woken = record->signalled;
        record->signalled = false;
        record->sleeping = false;
        record->deadline = UINT64_MAX;
        ++record->wakeups;
        return woken;
    }

    void Wake() override
    {
        std::lock_guard<std::mutex> guard(record->lock);
        record->signalled = true;
        record->changed.notify_all();
    }

private:
    std::shared_ptr<DeviceRecord> record;
    std::vector<int16_t> memory;
};
}  // namespace

void DeviceRecord::Advance(size_t frames, bool oneWakeEach)
{
    std::unique_lock<std::mutex> guard(lock);
    while (frames > 0) {
        const bool playing = !queue.empty() && !faults.stalls;
        // Up to the next event: the end of the front buffer, or of the worker's sleep.
        size_t count = frames;
        if (playing)
            count = std::min(count, queue.front().frames.size() / channels - queue.front().played);
        if (sleeping && deadline > clock)
            count = size_t(std::min<uint64_t>(count, deadline - clock));
        bool wakes = false;
        if (playing) {
            Queued& buffer = queue.front();
            played.insert(played.end(), buffer.frames.begin() + channels * buffer.played,
                          buffer.frames.begin() + channels * (buffer.played + count));
            buffer.played += count;
            position += count;
            if (buffer.played * channels == buffer.frames.size()) {
                done[buffer.index] = true;
                queue.pop_front();
                ++returned;
                signalled = true;
                wakes = true;
            }
        }
        clock += count;
        frames -= count;
        wakes = wakes || (sleeping && clock >= deadline);
        if (wakes) {
            changed.notify_all();
            if (oneWakeEach)
                changed.wait_for(guard, kHangLimit, [&] { return closed || Idle(); });
        }
    }
}

bool DeviceRecord::WaitIdle()
{
    std::unique_lock<std::mutex> guard(lock);
    return changed.wait_for(guard, kHangLimit, [&] { return closed || Idle(); });
}

size_t DeviceRecord::QueuedBuffers()
{
    std::lock_guard<std::mutex> guard(lock);
    return queue.size();
}

void DeviceRecord::Release()
{
    std::lock_guard<std::mutex> guard(lock);
    released = true;
    changed.notify_all();
}

std::shared_ptr<DeviceRecord> FakeDevices::Last()
{
    std::lock_guard<std::mutex> guard(lock);
    return opened.empty() ? nullptr : opened.back();
}

size_t FakeDevices::Count()
{
    std::lock_guard<std::mutex> guard(lock);
    return opened.size();
}

std::shared_ptr<DeviceRecord> FakeDevices::WaitOpened(size_t count)
{
    std::unique_lock<std::mutex> guard(lock);
    if (!changed.wait_for(guard, kHangLimit, [&] { return opened.size() >= count; }))
        return nullptr;
    return opened[count - 1];
}

std::unique_ptr<OutputDevice> OpenFakeDevice(int, uint32_t rate, int channels)
{
    std::lock_guard<std::mutex> guard(gDevices.lock);
    if (gDevices.fail)
        return nullptr;
    auto record = std::make_shared<DeviceRecord>();
    record->rate = rate;
    record->channels = size_t(channels);
    if (!gDevices.faults.empty()) {
        record->faults = gDevices.faults.front();
        gDevices.faults.pop_front();
    }
    gDevices.opened.push_back(record);
    gDevices.changed.notify_all();
    return std::make_unique<FakeDevice>(record);
}
