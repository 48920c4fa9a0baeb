#include "tests/bass/fake_device.h"

#include <algorithm>

FakeDevices gDevices;

namespace {
class FakeDevice : public OutputDevice {
public:
    explicit FakeDevice(std::shared_ptr<DeviceRecord> record)
        : record(std::move(record)), memory(kBufferCount * kBufferFrames * 2)
    {
    }
    ~FakeDevice() override
    {
        std::lock_guard<std::mutex> guard(record->lock);
        record->queue.clear();
        record->closed = true;
        record->changed.notify_all();
    }

    int16_t* Buffer(size_t index) override { return memory.data() + index * kBufferFrames * 2; }

    bool Play(size_t index) override
    {
        const int16_t* frames = Buffer(index);
        std::lock_guard<std::mutex> guard(record->lock);
        record->queue.push_back({index, std::vector<int16_t>(frames, frames + kBufferFrames * 2)});
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

    void Reset() override
    {
        std::lock_guard<std::mutex> guard(record->lock);
        for (const DeviceRecord::Queued& buffer : record->queue)
            record->done[buffer.index] = true;
        record->queue.clear();
        record->position = 0;
        ++record->resets;
    }

    uint32_t Position() override
    {
        std::lock_guard<std::mutex> guard(record->lock);
        return record->position;
    }

    void Wait() override
    {
        std::unique_lock<std::mutex> guard(record->lock);
        record->sleeping = true;
        record->changed.notify_all();
        record->changed.wait(guard, [&] { return record->signalled; });
        record->signalled = false;
        record->sleeping = false;
        ++record->wakeups;
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
    while (frames > 0 && !queue.empty()) {
        Queued& buffer = queue.front();
        const size_t count = std::min(frames, buffer.frames.size() / 2 - buffer.played);
        played.insert(played.end(), buffer.frames.begin() + 2 * buffer.played,
                      buffer.frames.begin() + 2 * (buffer.played + count));
        buffer.played += count;
        position += uint32_t(count);
        frames -= count;
        if (buffer.played * 2 < buffer.frames.size())
            break;
        done[buffer.index] = true;
        queue.pop_front();
        ++returned;
        signalled = true;
        changed.notify_all();
        if (oneWakeEach)
            changed.wait(guard, [&] { return closed || (sleeping && !signalled); });
    }
}

void DeviceRecord::WaitIdle()
{
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [&] { return closed || (sleeping && !signalled); });
}

size_t DeviceRecord::QueuedBuffers()
{
    std::lock_guard<std::mutex> guard(lock);
    return queue.size();
}

std::shared_ptr<DeviceRecord> FakeDevices::Last()
{
    std::lock_guard<std::mutex> guard(lock);
    return opened.empty() ? nullptr : opened.back();
}

std::unique_ptr<OutputDevice> OpenFakeDevice(int, uint32_t)
{
    std::lock_guard<std::mutex> guard(gDevices.lock);
    if (gDevices.fail)
        return nullptr;
    auto record = std::make_shared<DeviceRecord>();
    gDevices.opened.push_back(record);
    return std::make_unique<FakeDevice>(record);
}
