// The library's threading and commands natively, against a recording device on
// a simulated clock: when the worker wakes, when a device is open, what a stop
// or a free leaves on it, a stream whose decoding fails, devices that fail, come
// back or hang, a command given during a long search through a damaged file, and
// a file that does not answer.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "bass/audio_library.h"
#include "bass/audio_worker.h"
#include "bass/stream.h"
#include "tests/bass/fake_device.h"
#include "tests/bass/fake_mpeg_decoder.h"
#include "tests/bass/mpeg_bytes.h"

namespace {
constexpr uint32_t kRate = 44100;
constexpr size_t kMinute = 60 * kRate;
constexpr size_t kStallFrames = size_t(AudioLibrary::kStallLimit.count()) * kRate / 1000;

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

uint32_t Create(AudioLibrary& library, const Bytes& file)
{
    return library.StreamCreateFile(FileOf(file).c_str());
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

struct Playing {
    uint32_t stream;
    std::shared_ptr<DeviceRecord> device;
};
// Initialises `library` and plays a counting stream of 20000 frames through
// the device that opens for it, the one after the device Init checks.
Playing PlayCounting(AudioLibrary& library, bool loop)
{
    const size_t opened = gDevices.Count();
    REQUIRE(library.Init(-1, kRate));
    Playing playing{Create(library, Counting(20000)), nullptr};
    REQUIRE(library.StreamPlay(playing.stream, false, loop));
    playing.device = gDevices.WaitOpened(opened + 2);
    REQUIRE(playing.device);
    REQUIRE(playing.device->WaitIdle());
    return playing;
}
}  // namespace

TEST_CASE("no device is held open without a stream to play; one that plays wakes the worker once per buffer")
{
    const size_t opened = gDevices.Count();
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    REQUIRE(library.Init(-1, kRate));
    CHECK(library.Start());

    SUBCASE("initialised, and a stream that could not be created: the device checked at Init is closed")
    {
        CHECK(library.StreamCreateFile("/no/such/file.mp3") == 0);
        CHECK(gDevices.Count() == opened + 1);
        CHECK(gDevices.Last()->closed);
    }
    SUBCASE("playing: one wake for each buffer played through, none between")
    {
        const Bytes tone = StereoWav(kRate, [](size_t i) { return int16_t(i % 100 * 100); });
        const uint32_t stream = Create(library, tone);
        REQUIRE(stream != 0);
        CHECK(library.StreamPlay(stream, false, true));
        std::shared_ptr<DeviceRecord> device = gDevices.WaitOpened(opened + 2);
        REQUIRE(device);
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
    // The stream counts its frames up from 1; another is a constant below zero.
    const Bytes counting = Counting(20000);
    const Bytes constant = StereoWav(kRate, [](size_t) { return int16_t(-7); });
    const uint32_t a = Create(library, counting);
    REQUIRE(a != 0);
    CHECK(Create(library, constant) == 0);  // one stream at a time

    CHECK(library.StreamPlay(a, false, false));
    std::shared_ptr<DeviceRecord> device = gDevices.WaitOpened(opened + 2);
    REQUIRE(device);
    REQUIRE(device->WaitIdle());
    device->Advance(3000);  // into the second buffer
    REQUIRE(library.Stop());
    // Nothing left open to keep the computer awake.
    const std::shared_ptr<DeviceRecord> stopped = device;
    CHECK(stopped->closed);
    // Start finds the worker without a device to wake it: it must not sleep out its idle limit.
    CHECK(library.Start());
    device = gDevices.WaitOpened(opened + 3);
    REQUIRE(device);
    REQUIRE(device->WaitIdle());
    device->Advance(kRate);  // past the end: then silence, and the device closes

    // The frames in the order played: 1, 2, 3, ... to the last, none missing or twice.
    const Heard heard = Listen({stopped.get(), device.get()});
    CHECK(heard.last == 20000);
    CHECK(heard.skipped == 0);
    CHECK(heard.repeated == 0);
    CHECK(device->played.back() == 0);
    CHECK(device->closed);

    CHECK(library.StreamPlay(a, true, true));
    device = gDevices.WaitOpened(opened + 4);
    REQUIRE(device);
    REQUIRE(device->WaitIdle());
    SUBCASE("a freed stream: nothing of it is queued or given after its free returns; then another plays")
    {
        device->Advance(1000);
        const uint64_t received = device->received;
        REQUIRE(library.StreamFree(a));
        CHECK(device->QueuedBuffers() == 0);
        device->Advance(kRate);
        CHECK(device->received == received);
        CHECK_FALSE(library.StreamPlay(a, false, true));
        CHECK(Create(library, constant) != 0);
    }
    SUBCASE("the library freed: its device is closed when the call returns")
    {
        REQUIRE(library.Free());
        CHECK(device->closed);
    }
}

namespace {
// A file whose reads fail past its first 100000 bytes, as a broken disk's would.
class FailingFile : public ByteSource {
public:
    uint64_t Size() const override { return bytes.size(); }

private:
    size_t ReadInside(uint64_t offset, uint8_t* into, size_t count) override
    {
        if (offset >= 100000)
            throw std::runtime_error("the disk failed");
        std::memcpy(into, bytes.data() + offset, count);
        return count;
    }

    const Bytes bytes = StereoWav(kRate, [](size_t) { return int16_t(100); });
};

std::unique_ptr<ByteSource> OpenFailingOrFile(const char* path)
{
    return std::strcmp(path, "failing") == 0 ? std::make_unique<FailingFile>() : OpenFileSource(path);
}
}  // namespace

TEST_CASE("a stream whose decoding fails on the worker stops quietly, its device closes, and another plays")
{
    const size_t opened = gDevices.Count();
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create, OpenFailingOrFile);
    REQUIRE(library.Init(-1, kRate));
    const uint32_t failing = library.StreamCreateFile("failing");
    CHECK(library.StreamPlay(failing, false, true));
    std::shared_ptr<DeviceRecord> device = gDevices.WaitOpened(opened + 2);
    REQUIRE(device);
    REQUIRE(device->WaitIdle());
    device->Advance(kRate);
    CHECK(device->WaitIdle());
    CHECK(device->closed);

    REQUIRE(library.StreamFree(failing));
    const uint32_t next = Create(library, StereoWav(kRate, [](size_t) { return int16_t(55); }));
    CHECK(library.StreamPlay(next, false, true));
    device = gDevices.WaitOpened(opened + 3);
    REQUIRE(device);
    REQUIRE(device->WaitIdle());
    device->Advance(OutputDevice::kBufferFrames);
    CHECK(device->played.back() == 55);
    CHECK(library.Free());
}

TEST_CASE("a device that refuses buffers or keeps them, and then may not stop, is replaced and plays on where it stopped")
{
    struct Row {
        const char* fault;
        DeviceFaults faults;
    };
    DeviceFaults refuses, stalls;
    refuses.refuseAfter = 3;
    stalls.stalls = true;
    // As a device that is gone: Wine's waveOutReset fails whenever its audio client cannot stop.
    DeviceFaults refusesGone = refuses, stallsGone = stalls;
    refusesGone.resetFails = stallsGone.resetFails = true;
    for (const Row& row : {Row{"refuses", refuses}, Row{"keeps its buffers", stalls},
                           Row{"refuses, does not stop", refusesGone}, Row{"keeps them, does not stop", stallsGone}}) {
        CAPTURE(row.fault);
        // The first device is the one Init checks.
        gDevices.faults = {DeviceFaults(), row.faults};
        const size_t opened = gDevices.Count();
        AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
        const std::shared_ptr<DeviceRecord> failing = PlayCounting(library, false).device;
        failing->Advance(3000);
        if (row.faults.stalls)
            failing->Advance(kStallFrames);
        std::shared_ptr<DeviceRecord> replacement = gDevices.WaitOpened(opened + 3);
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

TEST_CASE("a device that does not open for 300 ms after Start is tried again, and plays on from where it stopped")
{
    const size_t opened = gDevices.Count();
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    const std::shared_ptr<DeviceRecord> before = PlayCounting(library, false).device;
    before->Advance(3000);
    REQUIRE(library.Stop());
    // As a USB or HDMI device that is not back yet when the display comes back.
    const auto SetFailing = [](bool fail) {
        std::lock_guard<std::mutex> guard(gDevices.lock);
        gDevices.fail = fail;
    };
    SetFailing(true);
    const auto started = std::chrono::steady_clock::now();
    CHECK(library.Start());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    SetFailing(false);
    std::shared_ptr<DeviceRecord> after = gDevices.WaitOpened(opened + 3);
    REQUIRE(after);
    CHECK(std::chrono::steady_clock::now() - started < std::chrono::seconds(2));
    REQUIRE(after->WaitIdle());
    after->Advance(kRate);
    const Heard heard = Listen({before.get(), after.get()});
    CHECK(heard.last == 20000);
    CHECK(heard.skipped == 0);
    CHECK(heard.repeated == 0);
    CHECK(library.Free());
}

TEST_CASE("a device that does not stop ends the output for the run: it alone is left its buffers, and later calls fail")
{
    DeviceFaults resetFails;
    resetFails.resetFails = true;
    gDevices.faults = {DeviceFaults(), resetFails};
    const size_t opened = gDevices.Count();
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    const uint32_t a = PlayCounting(library, true).stream;
    CHECK_FALSE(library.Stop());
    CHECK_FALSE(library.Start());
    CHECK_FALSE(library.StreamPlay(a, false, true));
    CHECK(gDevices.Count() == opened + 2);
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
        gDevices.faults = {DeviceFaults(), row.faults, row.faults, row.faults};
        const size_t opened = gDevices.Count();
        AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
        std::vector<std::shared_ptr<DeviceRecord>> devices{PlayCounting(library, false).device};
        for (size_t played : {3000, 2100}) {
            REQUIRE(devices.back()->WaitIdle());
            devices.back()->Advance(played);
            REQUIRE(library.Stop());
            CHECK(library.Start());
            devices.push_back(gDevices.WaitOpened(opened + devices.size() + 2));
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
    gDevices.faults = {DeviceFaults(), hangs};
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    const Playing playing = PlayCounting(library, true);
    const std::shared_ptr<DeviceRecord> hung = playing.device;
    // Stopping resets the device, where the worker now hangs.
    CHECK_FALSE(library.Stop());
    {
        std::unique_lock<std::mutex> guard(hung->lock);
        REQUIRE(hung->changed.wait_for(guard, std::chrono::seconds(20), [&] { return hung->hung; }));
    }
    CHECK_FALSE(library.StreamFree(playing.stream));
    CHECK_FALSE(library.Free());
    REQUIRE(library.Init(-1, kRate));
    CHECK(gDevices.Last() != hung);
    CHECK(library.Free());
    // The worker left behind ends once its driver comes back, and closes its device.
    hung->Release();
    CHECK(hung->WaitIdle());
    CHECK(hung->closed);
}

TEST_CASE("once the worker answers a call that gave up on it, the calls wait for it again")
{
    DeviceFaults slow;
    slow.hangs = true;
    gDevices.faults = {DeviceFaults(), slow};
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    const std::shared_ptr<DeviceRecord> device = PlayCounting(library, true).device;
    CHECK_FALSE(library.Stop());  // the device stops only once released: longer than the call waits
    device->Release();
    REQUIRE(device->WaitIdle());
    // The worker closed the device, answered the stop, and went idle well before this.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    CHECK(library.Stop());
    CHECK(library.Free());
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
std::unique_ptr<GatedFile> gGatedFile;
}  // namespace

TEST_CASE("a command given during a long search through a damaged file waits one step of it at most")
{
    // A few frames, 8 MiB that continue none, more frames.
    Bytes bytes = Frames(5);
    const uint64_t damage = bytes.size();
    bytes.resize(bytes.size() + (8 << 20), 0);
    Append(bytes, Frames(5));
    gGatedFile = std::make_unique<GatedFile>(bytes);
    GatedFile& file = *gGatedFile;

    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create, [](const char*) -> std::unique_ptr<ByteSource> {
        return std::move(gGatedFile);
    });
    REQUIRE(library.Init(-1, kRate));
    const uint32_t stream = library.StreamCreateFile("gated");
    REQUIRE(stream != 0);
    file.Arm(damage + (2 << 20));
    REQUIRE(library.StreamPlay(stream, false, true));
    REQUIRE(file.WaitAtGate());
    // The device the worker opened to play, and has not slept on since.
    std::shared_ptr<DeviceRecord> device = gDevices.Last();
    std::thread caller([&] { library.Stop(); });
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
    CHECK(library.Free());
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

std::unique_ptr<ByteSource> OpenOnSilentShare(const char*)
{
    return std::make_unique<SilentShareFile>();
}
}  // namespace

TEST_CASE("a file that does not answer gives no stream within the limit, and is freed once it answers")
{
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create, OpenOnSilentShare);
    REQUIRE(library.Init(-1, kRate));
    const auto start = std::chrono::steady_clock::now();
    CHECK(library.StreamCreateFile("\\\\share\\music.mp3") == 0);
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
