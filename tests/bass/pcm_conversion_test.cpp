// WAV layout, resampling to the output format (down to the spectrum of tones
// played through the engine), and the looping stream.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "bass/audio_library.h"
#include "bass/resampler.h"
#include "bass/stream.h"
#include "bass/wav_reader.h"
#include "bass/wav_source.h"
#include "tests/bass/fake_device.h"
#include "tests/bass/fake_mpeg_decoder.h"
#include "tests/bass/mpeg_bytes.h"
#include "tests/bass/tone_spectrum.h"

namespace {
const double kPi = std::acos(-1.0);

std::unique_ptr<WavSource> WavInMemory(const Bytes& file, const WavLayout& layout)
{
    return std::make_unique<WavSource>(std::make_unique<ReadAhead>(std::make_unique<MemorySource>(file), 4096), layout);
}

std::vector<int16_t> Ramp(size_t count, int16_t from, int16_t step)
{
    std::vector<int16_t> out(count);
    for (size_t i = 0; i < count; ++i)
        out[i] = int16_t(from + int(i) * step);
    return out;
}

// Everything a resampler gives for `input`: Process and then Drain.
std::vector<int16_t> ResampleWhole(Resampler& r, const std::vector<int16_t>& input, int channels)
{
    std::vector<int16_t> out(2 * (input.size() * 8 + 1024));
    size_t consumed = 0;
    size_t written = r.Process(input.data(), input.size() / size_t(channels), consumed, out.data(), out.size() / 2);
    written += r.Drain(out.data() + 2 * written, out.size() / 2 - written);
    out.resize(2 * written);
    return out;
}
}  // namespace

TEST_CASE("a WAV file's PCM layout is read and anything else is refused")
{
    WavLayout layout;
    SUBCASE("16-bit stereo")
    {
        Bytes file = Wav(22050, 2, 16, Ramp(8, 0, 1));
        REQUIRE(ReadWavLayout(file.data(), file.size(), layout));
        CHECK(layout.sampleRate == 22050);
        CHECK(layout.channels == 2);
        CHECK(layout.bitsPerSample == 16);
        CHECK(layout.dataOffset == 44);
        CHECK(layout.dataSize == 16);
    }
    SUBCASE("a data chunk longer than the file is cut to the whole frames present")
    {
        Bytes file = Wav(44100, 2, 16, Ramp(9, 0, 1), 1, 1000000);  // 18 bytes: 4 frames and a half
        REQUIRE(ReadWavLayout(file.data(), file.size(), layout));
        CHECK(layout.dataSize == 16);
    }
    SUBCASE("an odd-sized chunk before the data is padded to an even size")
    {
        Bytes file = Wav(8000, 1, 8, Ramp(4, 0, 1));
        Bytes extra;
        PutTag(extra, "LIST");
        Put32(extra, 3);
        extra.insert(extra.end(), {'a', 'b', 'c', 0});
        file.insert(file.begin() + 36, extra.begin(), extra.end());
        REQUIRE(ReadWavLayout(file.data(), file.size(), layout));
        CHECK(layout.dataOffset == 44 + 12);
        CHECK(layout.dataSize == 4);
    }
    SUBCASE("refused: float, compressed, no data, data before format, three channels, not RIFF")
    {
        Bytes floatWav = Wav(44100, 2, 16, Ramp(4, 0, 1), 3);
        Bytes mp3Wav = Wav(44100, 2, 16, Ramp(4, 0, 1), 0x55);
        Bytes noFrames = Wav(44100, 2, 16, {});
        Bytes threeChannels = Wav(44100, 3, 16, Ramp(6, 0, 1));
        Bytes dataFirst = Wav(44100, 1, 16, Ramp(2, 0, 1));
        std::memcpy(&dataFirst[12], "data", 4);
        Bytes notRiff = Wav(44100, 1, 16, Ramp(2, 0, 1));
        notRiff[0] = 'X';
        Bytes cutHeader = Wav(44100, 1, 16, Ramp(2, 0, 1));
        cutHeader.resize(30);
        for (const Bytes* file : {&floatWav, &mp3Wav, &noFrames, &threeChannels, &dataFirst, &notRiff, &cutHeader})
            CHECK_FALSE(ReadWavLayout(file->data(), file->size(), layout));
    }
}

TEST_CASE("the resampler converts any rate and channel count to stereo at the output rate")
{
    int16_t out[64] = {};
    size_t consumed = 0;
    SUBCASE("at equal rates the samples pass through unchanged, mono to both sides")
    {
        const int16_t in[] = {1, -1, 2, -2, 3, -3, 4, -4};
        Resampler stereo(44100, 44100, 2);
        REQUIRE(stereo.Process(in, 4, consumed, out, 64) == 4);
        for (size_t i = 0; i < 8; ++i)
            CHECK(out[i] == in[i]);
        CHECK(stereo.Drain(out, 64) == 0);
        Resampler mono(44100, 44100, 1);
        REQUIRE(mono.Process(in, 3, consumed, out, 64) == 3);
        for (size_t i = 0; i < 6; ++i)
            CHECK(out[i] == in[i / 2]);
    }
    SUBCASE("a tone comes out at its own time and level, with one frame per output period up to the input's end")
    {
        // Exact phases, from two (doubling, halving) to 441; interpolated ones (44100 to 44101).
        const uint32_t rates[][2] = {{22050, 44100}, {88200, 44100}, {48000, 44100}, {32000, 44100}, {44100, 44101}};
        for (const auto& rate : rates) {
            CAPTURE(rate[0]);
            CAPTURE(rate[1]);
            const double inRate = rate[0], outRate = rate[1], hz = 0.37 * std::min(inRate, outRate);
            const size_t frames = 3000;
            Resampler r(rate[0], rate[1], 1);
            const std::vector<int16_t> result = ResampleWhole(r, Sine(frames, 1, hz, inRate, 30000), 1);
            REQUIRE(result.size() / 2 == size_t(std::ceil(frames * outRate / inRate)));
            // Away from the ends, where the tone starts and stops abruptly: the ideal sine.
            const size_t margin = size_t(40 * std::max(1.0, outRate / inRate));
            int worst = 0;
            for (size_t n = margin; n + margin < result.size() / 2; ++n) {
                const double ideal = 30000 * std::sin(2 * kPi * hz * double(n) / outRate);
                worst = std::max(worst, int(std::lrint(std::fabs(result[2 * n] - ideal))));
            }
            CHECK(worst <= 2);
        }
    }
    SUBCASE("full-scale steps overshoot through the filter and are clipped, never wrapped")
    {
        // A square wave: 50 frames at the top, 50 at the bottom.
        std::vector<int16_t> in(400);
        for (size_t i = 0; i < in.size(); ++i)
            in[i] = i / 50 % 2 ? -32768 : 32767;
        Resampler r(22050, 44100, 1);
        const std::vector<int16_t> result = ResampleWhole(r, in, 1);
        // From each edge's first frame on (output 2i is input frame i), the new sign holds.
        for (size_t n = 0; n < result.size() / 2; ++n) {
            CAPTURE(n);
            if (n % 100 < 99)  // not at the midpoint of an edge
                CHECK((result[2 * n] > 0) == (n / 100 % 2 == 0));
        }
        CHECK(*std::max_element(result.begin(), result.end()) == 32767);
        CHECK(*std::min_element(result.begin(), result.end()) == -32768);
    }
    SUBCASE("fed and drained in pieces of any size, or again after a reset, the same signal as fed whole")
    {
        const std::vector<int16_t> in = Sine(500, 2, 3000, 32000, 20000);
        Resampler r(32000, 44100, 2);
        const std::vector<int16_t> whole = ResampleWhole(r, in, 2);
        r.Reset();
        std::vector<int16_t> pieces(whole.size() + 64);
        size_t read = 0, written = 0;
        for (size_t call = 0; read < 500; ++call) {
            const size_t offered = std::min<size_t>(500 - read, call % 7), room = call % 5 + 1;
            written += r.Process(in.data() + 2 * read, offered, consumed, pieces.data() + 2 * written, room);
            read += consumed;
        }
        for (size_t got = 1; got > 0; written += got)
            got = r.Drain(pieces.data() + 2 * written, 3);
        pieces.resize(2 * written);
        CHECK(pieces == whole);
    }
}

TEST_CASE("a looping stream repeats its source without a gap, and a finished one goes silent")
{
    // Six stereo frames: left counts up, right counts down.
    std::vector<int16_t> samples;
    for (int i = 0; i < 6; ++i) {
        samples.push_back(int16_t(i));
        samples.push_back(int16_t(-i));
    }
    Bytes file = Wav(44100, 2, 16, samples);
    WavLayout layout;
    REQUIRE(ReadWavLayout(file.data(), file.size(), layout));
    Stream stream(WavInMemory(file, layout), 44100);
    int16_t out[2 * 40];

    SUBCASE("looping: 0 1 2 3 4 5 0 1 2 ... across render calls of any size")
    {
        stream.looping = true;
        stream.Render(out, 7);
        stream.Render(out + 14, 33);
        for (int i = 0; i < 40; ++i) {
            CAPTURE(i);
            CHECK(out[2 * i] == i % 6);
            CHECK(out[2 * i + 1] == -(i % 6));
        }
        CHECK_FALSE(stream.finished);
    }
    SUBCASE("not looping: the samples once, then silence")
    {
        stream.Render(out, 40);
        for (int i = 0; i < 6; ++i)
            CHECK(out[2 * i] == i);
        for (int i = 6; i < 40; ++i)
            CHECK(out[2 * i] == 0);
        CHECK(stream.finished);
    }
    SUBCASE("a restart begins again at the first sample")
    {
        stream.looping = true;
        stream.Render(out, 4);
        stream.Restart();
        stream.Render(out, 3);
        CHECK(out[0] == 0);
        CHECK(out[2] == 1);
        CHECK(out[4] == 2);
    }
}

TEST_CASE("at another rate a looping stream stays continuous across the wrap, and a finished one plays out")
{
    auto open = [](const Bytes& file) {
        WavLayout layout;
        REQUIRE(ReadWavLayout(file.data(), file.size(), layout));
        return Stream(WavInMemory(file, layout), 44100);
    };
    std::vector<int16_t> out(2 * 3000);
    SUBCASE("looping: a tone of whole periods plays on as one sine, across render calls of any size")
    {
        // 1 kHz at 22050 Hz: 20 periods in 441 frames, so each pass is 882 output frames.
        Stream stream = open(Wav(22050, 2, 16, Sine(441, 2, 1000, 22050, 20000)));
        stream.looping = true;
        for (size_t done = 0, size = 1; done < 3000; done += size++)
            stream.Render(out.data() + 2 * done, std::min<size_t>(3000 - done, size));
        int worst = 0;
        for (size_t n = 80; n < 3000; ++n)  // past the abrupt start
            worst = std::max(worst, std::abs(out[2 * n] - int(std::lrint(20000 * std::sin(2 * kPi * 1000 * double(n) / 44100)))));
        CHECK(worst <= 2);
    }
    SUBCASE("not looping: every frame up to the input's end, though the filter's tail spans render calls")
    {
        // A constant at 22050 Hz: its last output frame lies halfway into the step down to silence.
        Stream stream = open(Wav(22050, 2, 16, std::vector<int16_t>(2 * 441, 10000)));
        for (size_t done = 0; done < 1000; done += 7)
            stream.Render(out.data() + 2 * done, 7);
        CHECK(out[2 * 880] > 9000);
        CHECK(std::abs(out[2 * 881] - 5000) < 500);
        CHECK(std::all_of(out.begin() + 2 * 882, out.begin() + 2 * 1001, [](int16_t v) { return v == 0; }));
        CHECK(stream.finished);
    }
}

TEST_CASE("tones from 48, 32 and 22.05 kHz reach a 44.1 kHz device with every spurious component 90 dB down")
{
    // Measured over 16384 frames from the engine's device, each tone at the
    // centre of a frequency bin, up to 0.9 of the lower Nyquist frequency.
    constexpr size_t kSkip = 8192, kMeasured = 16384;
    const double binHz = 44100.0 / kMeasured;
    struct Case {
        uint32_t rate;
        double hz;
    };
    const Case cases[] = {{48000, 1000}, {48000, 15000}, {48000, 19845}, {32000, 1000}, {32000, 12000},
                          {32000, 14400}, {22050, 1000}, {22050, 9000},  {22050, 9922.5}};
    for (const Case& c : cases) {
        const double hz = std::floor(c.hz / binHz) * binHz;
        CAPTURE(c.rate);
        CAPTURE(hz);
        AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
        REQUIRE(library.Init(-1, 44100));
        std::shared_ptr<DeviceRecord> device = gDevices.Last();
        const Bytes file = Wav(c.rate, 2, 16, Sine(c.rate, 2, hz, c.rate, 32767));
        const uint32_t stream = library.CreateStream(true, file.data(), 0, uint32_t(file.size()));
        REQUIRE(stream != 0);
        REQUIRE(library.Play(stream, false, false));
        REQUIRE(device->WaitIdle());
        device->Advance(kSkip + kMeasured);
        REQUIRE(device->played.size() >= 2 * (kSkip + kMeasured));
        for (int channel = 0; channel < 2; ++channel) {
            const ToneMeasure m = MeasureTone(device->played.data() + 2 * kSkip, kMeasured, channel, 44100, hz);
            CHECK(std::fabs(m.toneHz - hz) < 1);
            CHECK(std::fabs(m.toneDb) < 0.01);
            CHECK(m.spuriousDb <= -90);
        }
        CHECK(library.Free());
    }
}

TEST_CASE("8-bit WAV samples are widened around their midpoint")
{
    Bytes file = Wav(44100, 1, 8, {128, 255, 0, 128});
    WavLayout layout;
    REQUIRE(ReadWavLayout(file.data(), file.size(), layout));
    std::unique_ptr<WavSource> source = WavInMemory(file, layout);
    int16_t out[4];
    REQUIRE(source->Read(out, 4) == 4);
    CHECK(out[0] == 0);
    CHECK(out[1] == 127 * 256);
    CHECK(out[2] == -128 * 256);
    CHECK(source->Read(out, 4) == 0);
}
