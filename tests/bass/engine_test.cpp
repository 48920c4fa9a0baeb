// The library's threading and commands natively, against a recording device on
// a simulated clock: when the worker wakes, what a stop or a free leaves on the
// device, a stream whose decoding fails, devices that fail or hang, a command
// given during a long search through a damaged file, and a file that does not answer.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "bass/audio_engine.h"
#include "bass/audio_library.h"
#include "bass/played_position.h"
#include "bass/stream_factory.h"
#include "bass/wav_source.h"
#include "tests/bass/fake_device.h"
#include "tests/bass/fake_mpeg_decoder.h"
#include "tests/bass/mpeg_bytes.h"

namespace {
constexpr uint32_t kRate = 44100;
constexpr size_t kMinute = 60 * kRate;
constexpr size_t kStallFrames = size_t(AudioEngine::kStallLimit.count()) * kRate / 1000;

// A 44100 Hz stereo WAV whose frame i holds `value(i)` on both sides.
template <typename Value>
Bytes StereoWav(size_t frames, Value value)
{
    std::vector<int16_t> samples;
    for (size_t i = 0; i < frames; ++i) {
        samples.push_back(value(i));
        samples.push_back(value(i));
    }
    return Wav(kRate, 2, 16, samples);
}

uint32_t CreateFromMemory(AudioLibrary& library, const Bytes& file)
{
    return library.CreateStream(true, file.data(), 0, uint32_t(file.size()));
}

// Stream A of the tests: its frames count up from 1.
Bytes Counting(size_t frames)
{
    return StereoWav(frames, [](size_t i) { return int16_t(i + 1); });
}

struct Heard {
    int16_t last = 0;  // the highest frame heard
    size_t skipped = 0;
    size_t repeated = 0;
};
// What the devices played of a counting stream, in order: frames skipped (a
// jump forward) and frames heard again (a step back); silence does not count.
Heard Listen(std::initializer_list<const DeviceRecord*> devices)
{
    Heard heard;
    for (const DeviceRecord* device : devices)
        for (size_t i = 0; i < device->played.size(); i += 2) {
            const int16_t sample = device->played[i];
            if (sample <= 0)
                continue;
            if (sample > heard.last + 1)
                heard.skipped += size_t(sample - heard.last - 1);
            if (sample <= heard.last)
                ++heard.repeated;
            heard.last = std::max(heard.last, sample);
        }
    return heard;
}
}  // namespace

TEST_CASE("the worker sleeps while nothing plays and wakes once per buffer the device gives back")
{
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    REQUIRE(library.Init(-1, kRate));
    CHECK(library.Start());
    std::shared_ptr<DeviceRecord> device = gDevices.Last();
    REQUIRE(device->WaitIdle());

    SUBCASE("initialised, with no stream: not one wake in a minute")
    {
        // The clock runs with nothing queued: a worker that slept with a
        // shorter limit would wake, and one that spins never settles.
        const uint64_t before = device->wakeups;
        device->Advance(kMinute);
        CHECK(device->WaitIdle());
        CHECK(device->wakeups == before);
        CHECK(device->received == 0);
    }
    SUBCASE("playing: one wake for each buffer played through, none between")
    {
        const Bytes tone = StereoWav(kRate, [](size_t i) { return int16_t(i % 100 * 100); });
        const uint32_t stream = CreateFromMemory(library, tone);
        REQUIRE(stream != 0);
        CHECK(library.Play(stream, false, true));
        REQUIRE(device->WaitIdle());
        const uint64_t wakeups = device->wakeups, returned = device->returned;
        device->Advance(kMinute);
        CHECK(device->returned - returned == kMinute / OutputDevice::kBufferFrames);
        CHECK(device->wakeups - wakeups == device->returned - returned);
    }
    CHECK(library.Free());
}

TEST_CASE("stop closes the device and start opens another at once; no audio is lost or repeated")
{
    const size_t opened = gDevices.Count();
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    REQUIRE(library.Init(-1, kRate));
    std::shared_ptr<DeviceRecord> device = gDevices.Last();
    // Stream A counts its frames up from 1; stream B is a constant below zero.
    const Bytes counting = Counting(20000);
    const Bytes constant = StereoWav(kRate, [](size_t) { return int16_t(-7); });
    const uint32_t a = CreateFromMemory(library, counting), b = CreateFromMemory(library, constant);
    REQUIRE(a != 0);
    REQUIRE(b != 0);

    CHECK(library.Play(a, false, false));
    REQUIRE(device->WaitIdle());
    device->Advance(3000);  // into the second buffer
    REQUIRE(library.Stop());
    // Nothing left open to keep the computer awake.
    const std::shared_ptr<DeviceRecord> stopped = device;
    CHECK(stopped->closed);
    // Start finds the worker without a device to wake it: it must not sleep out its idle limit.
    CHECK(library.Start());
    device = gDevices.WaitOpened(opened + 2);
    REQUIRE(device);
    REQUIRE(device->WaitIdle());
    device->Advance(2500);
    CHECK(library.Play(b, false, true));  // A keeps its place
    REQUIRE(device->WaitIdle());
    device->Advance(5000);
    CHECK(library.Play(a, false, false));
    REQUIRE(device->WaitIdle());
    device->Advance(kRate);  // past A's end: then silence

    // A's frames in the order played: 1, 2, 3, ... to its last, none missing or twice.
    const Heard heard = Listen({stopped.get(), device.get()});
    CHECK(heard.last == 20000);
    CHECK(heard.skipped == 0);
    CHECK(heard.repeated == 0);
    CHECK(device->played.back() == 0);

    SUBCASE("a freed stream: nothing of it is queued or given after its free returns")
    {
        CHECK(library.Play(b, true, true));
        REQUIRE(device->WaitIdle());
        device->Advance(1000);
        const uint64_t received = device->received;
        REQUIRE(library.FreeStream(b));
        CHECK(device->QueuedBuffers() == 0);
        device->Advance(kRate);
        CHECK(device->received == received);
        CHECK_FALSE(library.Play(b, false, true));
    }
    SUBCASE("the library freed: its device is closed when the call returns")
    {
        CHECK(library.Play(b, true, true));
        REQUIRE(device->WaitIdle());
        REQUIRE(library.Free());
        CHECK(device->closed);
    }
}

namespace {
// A source that gives a few frames and then fails as a broken decoder would.
class FailingSource : public PcmSource {
public:
    FailingSource()
    {
        sampleRate = kRate;
        channels = 2;
    }
    size_t Read(int16_t* frames, size_t maxFrames) override
    {
        if (given > 5000)
            throw std::runtime_error("the codec failed");
        std::fill(frames, frames + 2 * maxFrames, int16_t(100));
        given += maxFrames;
        return maxFrames;
    }
    bool Rewind() override { return true; }

private:
    size_t given = 0;
};
}  // namespace

TEST_CASE("a stream whose decoding fails on the worker stops quietly and the engine plays on")
{
    std::unique_ptr<AudioEngine> engine = AudioEngine::Start(OpenFakeDevice, -1, kRate);
    REQUIRE(engine);
    std::shared_ptr<DeviceRecord> device = gDevices.Last();
    REQUIRE(engine->Add(1, std::make_unique<Stream>(std::make_unique<FailingSource>())));
    CHECK(engine->Play(1, false, true));
    REQUIRE(device->WaitIdle());
    device->Advance(kRate);
    CHECK(device->QueuedBuffers() == 0);

    const Bytes file = StereoWav(kRate, [](size_t) { return int16_t(55); });
    auto input = std::make_unique<ReadAhead>(std::make_unique<MemorySource>(file), 4096);
    WavLayout layout;
    REQUIRE(ReadWavLayout(*input, layout));
    REQUIRE(engine->Add(2, std::make_unique<Stream>(std::make_unique<WavSource>(std::move(input), layout))));
    CHECK(engine->Play(2, false, true));
    REQUIRE(device->WaitIdle());
    device->Advance(OutputDevice::kBufferFrames);
    CHECK(device->played.back() == 55);
    engine->Shutdown();
}

TEST_CASE("a device that refuses buffers or keeps them is replaced, and plays on where it stopped")
{
    struct Row {
        const char* fault;
        DeviceFaults faults;
    };
    DeviceFaults refuses, stalls;
    refuses.refuseAfter = 3;
    stalls.stalls = true;
    for (const Row& row : {Row{"refuses", refuses}, Row{"keeps its buffers", stalls}}) {
        CAPTURE(row.fault);
        gDevices.faults = {row.faults};
        const size_t opened = gDevices.Count();
        AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
        REQUIRE(library.Init(-1, kRate));
        std::shared_ptr<DeviceRecord> failing = gDevices.Last();
        const Bytes counting = Counting(20000);
        const uint32_t a = CreateFromMemory(library, counting);
        REQUIRE(library.Play(a, false, false));
        REQUIRE(failing->WaitIdle());
        failing->Advance(3000);
        if (row.faults.stalls)
            failing->Advance(kStallFrames);
        std::shared_ptr<DeviceRecord> replacement = gDevices.WaitOpened(opened + 2);
        REQUIRE(replacement);
        REQUIRE(replacement->WaitIdle());
        CHECK(failing->closed);
        const uint64_t received = failing->received;
        replacement->Advance(kRate);
        const Heard heard = Listen({failing.get(), replacement.get()});
        CHECK(heard.last == 20000);
        CHECK(heard.skipped == 0);
        CHECK(heard.repeated == 0);
        CHECK(failing->received == received);
        CHECK(library.Free());
    }
}

TEST_CASE("a device that fails again once replaced stops the output, later calls fail, and the library starts afresh")
{
    DeviceFaults refuses;
    refuses.refuseAfter = 1;
    gDevices.faults = {refuses, refuses};
    const size_t opened = gDevices.Count();
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    REQUIRE(library.Init(-1, kRate));
    const Bytes counting = Counting(20000);
    const uint32_t a = CreateFromMemory(library, counting);
    CHECK(library.Play(a, false, true));
    std::shared_ptr<DeviceRecord> second = gDevices.WaitOpened(opened + 2);
    REQUIRE(second);
    REQUIRE(second->WaitIdle());
    CHECK(second->closed);
    CHECK_FALSE(library.Play(a, false, true));
    CHECK_FALSE(library.Start());
    CHECK_FALSE(library.Stop());
    CHECK(CreateFromMemory(library, counting) == 0);
    CHECK(library.Free());
    REQUIRE(library.Init(-1, kRate));
    CHECK(gDevices.Count() == opened + 3);
    CHECK(library.Free());
}

TEST_CASE("a device that does not stop ends the output for the run: it alone is left its buffers, and later calls fail")
{
    DeviceFaults resetFails;
    resetFails.resetFails = true;
    gDevices.faults = {resetFails};
    const size_t opened = gDevices.Count();
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    REQUIRE(library.Init(-1, kRate));
    const Bytes counting = Counting(20000);
    const uint32_t a = CreateFromMemory(library, counting);
    REQUIRE(library.Play(a, false, true));
    // Starting a stream resets the device too: the first stop fails there.
    std::shared_ptr<DeviceRecord> failing = gDevices.Last();
    REQUIRE(failing->WaitIdle());
    CHECK_FALSE(library.Stop());
    CHECK_FALSE(library.Start());
    CHECK_FALSE(library.Play(a, false, true));
    CHECK(gDevices.Count() == opened + 1);
    CHECK(library.Free());
}

TEST_CASE("the frames a device played of those it holds, from its position and the frames it gave back")
{
    constexpr uint32_t kWrap = OutputDevice::kPositionModulo;
    constexpr size_t kHeld = 8 * 2048;
    struct Row {
        const char* what;
        uint32_t position;
        uint64_t returned;
        size_t played;
    };
    const Row rows[] = {
        {"952 frames into the buffer after those given back", 3000, 2048, 952},
        {"no more than it holds", 100000, 2048, kHeld},
        {"lagging behind what it gave back: none", 1000, 2048, 0},
        {"reading 0 after buffers came back: none", 0, 4096, 0},
        {"its count wrapped past 2^30 frames, ours not", 500, kWrap - 1000, 1500},
        {"ours past 2^32 frames", 3000, (uint64_t(5) << 30) + 2048, 952},
    };
    for (const Row& row : rows) {
        CAPTURE(row.what);
        CHECK(PlayedQueued(row.position, row.returned, kHeld) == row.played);
    }
}

TEST_CASE("stop and start skip no audio when the device cannot tell its position, or it lags")
{
    DeviceFaults fails, lags;
    fails.positionFails = true;
    lags.positionLag = 5000;
    struct Row {
        const char* position;
        DeviceFaults faults;
    };
    for (const Row& row : {Row{"none", fails}, Row{"lagging", lags}}) {
        CAPTURE(row.position);
        gDevices.faults = {row.faults, row.faults, row.faults};
        const size_t opened = gDevices.Count();
        AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
        REQUIRE(library.Init(-1, kRate));
        const Bytes counting = Counting(20000);
        REQUIRE(library.Play(CreateFromMemory(library, counting), false, false));
        std::vector<std::shared_ptr<DeviceRecord>> devices{gDevices.Last()};
        for (size_t played : {3000, 2100}) {
            REQUIRE(devices.back()->WaitIdle());
            devices.back()->Advance(played);
            REQUIRE(library.Stop());
            CHECK(library.Start());
            devices.push_back(gDevices.WaitOpened(opened + devices.size() + 1));
            REQUIRE(devices.back());
        }
        REQUIRE(devices.back()->WaitIdle());
        devices.back()->Advance(kRate);
        const Heard heard = Listen({devices[0].get(), devices[1].get(), devices[2].get()});
        CHECK(heard.last == 20000);
        CHECK(heard.skipped == 0);
        CHECK(library.Free());
    }
}

TEST_CASE("a device that hangs: the calls that wait give up, the library is freed all the same and starts afresh")
{
    DeviceFaults hangs;
    hangs.hangs = true;
    gDevices.faults = {hangs};
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    REQUIRE(library.Init(-1, kRate));
    std::shared_ptr<DeviceRecord> hung = gDevices.Last();
    const Bytes counting = Counting(20000);
    const uint32_t a = CreateFromMemory(library, counting);
    CHECK(library.Play(a, false, true));
    {
        // Playing starts with a reset of the device, where the worker now hangs.
        std::unique_lock<std::mutex> guard(hung->lock);
        REQUIRE(hung->changed.wait_for(guard, std::chrono::seconds(20), [&] { return hung->hung; }));
    }
    CHECK_FALSE(library.Stop());
    CHECK_FALSE(library.FreeStream(a));
    CHECK_FALSE(library.Free());
    REQUIRE(library.Init(-1, kRate));
    CHECK(gDevices.Last() != hung);
    CHECK(library.Free());
    // The worker left behind ends once its driver comes back, and closes its device.
    hung->Release();
    CHECK(hung->WaitIdle());
    CHECK(hung->closed);
}

namespace {
// A file in memory whose reads, once armed, stop at `gate` until the test
// opens it. Counts the bytes read.
class GatedFile : public ByteSource {
public:
    explicit GatedFile(Bytes content) : bytes(std::move(content)) {}
    uint64_t Size() const override { return bytes.size(); }

    void Arm(uint64_t at) { gate = at; }
    bool WaitAtGate()
    {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(20), [&] { return atGate; });
    }
    void Open()
    {
        std::lock_guard<std::mutex> guard(lock);
        opened = true;
        changed.notify_all();
    }

    std::atomic<uint64_t> bytesRead{0};

private:
    size_t ReadInside(uint64_t offset, uint8_t* into, size_t count) override
    {
        if (offset >= gate) {
            std::unique_lock<std::mutex> guard(lock);
            atGate = true;
            changed.notify_all();
            changed.wait(guard, [&] { return opened; });
        }
        std::memcpy(into, bytes.data() + offset, count);
        bytesRead += count;
        return count;
    }

    Bytes bytes;
    std::atomic<uint64_t> gate{UINT64_MAX};
    std::mutex lock;
    std::condition_variable changed;
    bool atGate = false;
    bool opened = false;
};
}  // namespace

TEST_CASE("a command given during a long search through a damaged file waits one step of it at most")
{
    // A few frames, 8 MiB that continue none, more frames.
    Bytes bytes = Frames(5);
    const uint64_t damage = bytes.size();
    bytes.resize(bytes.size() + (8 << 20), 0);
    Append(bytes, Frames(5));
    auto owned = std::make_unique<GatedFile>(bytes);
    GatedFile& file = *owned;
    std::unique_ptr<Stream> stream = OpenStream(std::move(owned), FakeMpegDecoder::Create);
    REQUIRE(stream);
    file.Arm(damage + (2 << 20));

    std::unique_ptr<AudioEngine> engine = AudioEngine::Start(OpenFakeDevice, -1, kRate);
    REQUIRE(engine);
    std::shared_ptr<DeviceRecord> device = gDevices.Last();
    REQUIRE(engine->Add(1, std::move(stream)));
    REQUIRE(engine->Play(1, false, true));
    REQUIRE(file.WaitAtGate());
    {
        // The worker, held at the gate, has not slept since Play woke the device.
        std::lock_guard<std::mutex> guard(device->lock);
        device->signalled = false;
    }
    std::thread caller([&] { engine->Pause(); });
    {
        // The command has arrived once it has woken the device.
        std::unique_lock<std::mutex> guard(device->lock);
        CHECK(device->changed.wait_for(guard, std::chrono::seconds(20), [&] { return device->signalled; }));
    }
    const uint64_t before = file.bytesRead;
    file.Open();
    caller.join();
    // A step scans kScanStepBytes: the window being read at the gate, and one more.
    CHECK(file.bytesRead - before <= 2 * kReadAheadBytes);
    engine->Shutdown();
}

namespace {
// A file on a share that does not answer: its reads block until the test lets
// them go. Its destruction is recorded, as the stream that holds it is freed.
struct Share {
    std::mutex lock;
    std::condition_variable changed;
    bool answers = false;
    bool fileFreed = false;
} gShare;

class SilentShareFile : public ByteSource {
public:
    ~SilentShareFile() override
    {
        std::lock_guard<std::mutex> guard(gShare.lock);
        gShare.fileFreed = true;
        gShare.changed.notify_all();
    }
    uint64_t Size() const override { return 1 << 20; }

private:
    size_t ReadInside(uint64_t, uint8_t* into, size_t count) override
    {
        std::unique_lock<std::mutex> guard(gShare.lock);
        gShare.changed.wait(guard, [] { return gShare.answers; });
        std::memset(into, 0, count);
        return count;
    }
};

std::unique_ptr<ByteSource> OpenOnSilentShare(const char*, uint64_t, uint64_t)
{
    return std::make_unique<SilentShareFile>();
}
}  // namespace

TEST_CASE("a file that does not answer gives no stream within the limit, and is freed once it answers")
{
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create, OpenOnSilentShare);
    REQUIRE(library.Init(-1, kRate));
    const auto start = std::chrono::steady_clock::now();
    CHECK(library.CreateStream(false, "\\\\share\\music.mp3", 0, 0) == 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    CHECK(waited >= AudioLibrary::kCreateLimit);
    CHECK(waited < 4 * AudioLibrary::kCreateLimit);
    CHECK(library.Free());
    {
        std::unique_lock<std::mutex> guard(gShare.lock);
        gShare.answers = true;
        gShare.changed.notify_all();
        CHECK(gShare.changed.wait_for(guard, std::chrono::seconds(20), [] { return gShare.fileFreed; }));
    }
}
