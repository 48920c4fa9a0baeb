// The library's threading and commands natively, against a recording device on
// a simulated clock: when the worker wakes, what a stop or a free leaves on the
// device, and a stream whose decoding fails.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <stdexcept>

#include "bass/audio_engine.h"
#include "bass/audio_library.h"
#include "bass/wav_source.h"
#include "tests/bass/fake_device.h"
#include "tests/bass/fake_mpeg_decoder.h"
#include "tests/bass/mpeg_bytes.h"

namespace {
constexpr uint32_t kRate = 44100;
constexpr size_t kMinute = 60 * kRate;

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
}  // namespace

TEST_CASE("the worker sleeps while nothing plays and wakes once per buffer the device gives back")
{
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    REQUIRE(library.Init(-1, kRate));
    CHECK(library.Start());
    std::shared_ptr<DeviceRecord> device = gDevices.Last();
    device->WaitIdle();

    SUBCASE("initialised, with no stream: not one wake in a minute")
    {
        const uint64_t before = device->wakeups;
        device->Advance(kMinute);
        CHECK(device->wakeups == before);
        CHECK(device->received == 0);
    }
    SUBCASE("playing: one wake for each buffer played through, none between")
    {
        const Bytes tone = StereoWav(kRate, [](size_t i) { return int16_t(i % 100 * 100); });
        const uint32_t stream = CreateFromMemory(library, tone);
        REQUIRE(stream != 0);
        CHECK(library.Play(stream, false, true));
        device->WaitIdle();
        const uint64_t wakeups = device->wakeups, returned = device->returned;
        device->Advance(kMinute);
        CHECK(device->returned - returned == kMinute / OutputDevice::kBufferFrames);
        CHECK(device->wakeups - wakeups == device->returned - returned);
        // Stopped again, it sleeps again.
        CHECK(library.Stop());
        device->WaitIdle();
        const uint64_t stopped = device->wakeups;
        device->Advance(kMinute);
        CHECK(device->wakeups == stopped);
    }
    CHECK(library.Free());
}

TEST_CASE("stop, free and a change of stream leave nothing on the device, and no audio is lost or repeated")
{
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    REQUIRE(library.Init(-1, kRate));
    std::shared_ptr<DeviceRecord> device = gDevices.Last();
    // Stream A counts its frames up from 1; stream B is a constant below zero.
    const Bytes counting = StereoWav(20000, [](size_t i) { return int16_t(i + 1); });
    const Bytes constant = StereoWav(kRate, [](size_t) { return int16_t(-7); });
    const uint32_t a = CreateFromMemory(library, counting), b = CreateFromMemory(library, constant);
    REQUIRE(a != 0);
    REQUIRE(b != 0);

    CHECK(library.Play(a, false, false));
    device->WaitIdle();
    device->Advance(3000);  // into the second buffer
    REQUIRE(library.Stop());
    CHECK(device->QueuedBuffers() == 0);
    const size_t stoppedAt = device->played.size();
    device->Advance(kRate);
    CHECK(device->played.size() == stoppedAt);

    CHECK(library.Start());
    device->WaitIdle();
    device->Advance(2500);
    CHECK(library.Play(b, false, true));  // A keeps its place
    device->WaitIdle();
    device->Advance(5000);
    CHECK(library.Play(a, false, false));
    device->WaitIdle();
    device->Advance(kRate);  // past A's end: then silence

    // A's frames in the order played: 1, 2, 3, ... to its last, none missing or twice.
    int16_t expected = 1;
    bool inOrder = true;
    size_t silent = 0;
    for (size_t i = 0; i < device->played.size(); i += 2) {
        const int16_t sample = device->played[i];
        if (sample > 0)
            inOrder = inOrder && sample == expected++;
        silent += sample == 0;
    }
    CHECK(inOrder);
    CHECK(expected == 20001);
    CHECK(silent > 0);

    SUBCASE("a freed stream: nothing of it is queued or given after its free returns")
    {
        CHECK(library.Play(b, true, true));
        device->WaitIdle();
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
        device->WaitIdle();
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
        channels = 1;
    }
    size_t Read(int16_t* frames, size_t maxFrames) override
    {
        if (given > 5000)
            throw std::runtime_error("the codec failed");
        std::fill(frames, frames + maxFrames, int16_t(100));
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
    REQUIRE(engine->Add(1, std::make_unique<Stream>(std::make_unique<FailingSource>(), kRate)));
    CHECK(engine->Play(1, false, true));
    device->WaitIdle();
    device->Advance(kRate);
    CHECK(device->QueuedBuffers() == 0);

    const Bytes file = StereoWav(kRate, [](size_t) { return int16_t(55); });
    auto input = std::make_unique<ReadAhead>(std::make_unique<MemorySource>(file), 4096);
    WavLayout layout;
    REQUIRE(ReadWavLayout(*input, layout));
    REQUIRE(engine->Add(2, std::make_unique<Stream>(std::make_unique<WavSource>(std::move(input), layout), kRate)));
    CHECK(engine->Play(2, false, true));
    device->WaitIdle();
    device->Advance(OutputDevice::kBufferFrames);
    CHECK(device->played.back() == 55);
    engine->Shutdown();
}
