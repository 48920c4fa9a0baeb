// WAV layout, resampling to the output format, and the looping stream.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <memory>

#include "bass/resampler.h"
#include "bass/stream.h"
#include "bass/wav_reader.h"
#include "bass/wav_source.h"
#include "tests/bass/mpeg_bytes.h"

namespace {
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
    SUBCASE("at equal rates the samples pass through unchanged")
    {
        const int16_t in[] = {1, -1, 2, -2, 3, -3, 4, -4};
        Resampler r(44100, 44100, 2);
        const size_t written = r.Process(in, 4, consumed, out, 64);
        // The last frame waits for its successor, so three come out.
        REQUIRE(written == 3);
        for (size_t i = 0; i < 6; ++i)
            CHECK(out[i] == in[i]);
    }
    SUBCASE("mono goes to both sides")
    {
        const int16_t in[] = {100, 200, 300};
        Resampler r(44100, 44100, 1);
        REQUIRE(r.Process(in, 3, consumed, out, 64) == 2);
        CHECK(out[0] == 100);
        CHECK(out[1] == 100);
        CHECK(out[2] == 200);
        CHECK(out[3] == 200);
    }
    SUBCASE("22050 Hz doubles: every second sample is the midpoint of its neighbours")
    {
        const int16_t in[] = {0, 100, 200, -200};
        Resampler r(22050, 44100, 1);
        REQUIRE(r.Process(in, 4, consumed, out, 64) == 6);
        const int16_t expected[] = {0, 50, 100, 150, 200, 0};
        for (int i = 0; i < 6; ++i)
            CHECK(out[2 * i] == expected[i]);
    }
    SUBCASE("88200 Hz halves: every second input sample")
    {
        const int16_t in[] = {0, 7, 10, 7, 20, 7, 30, 7, 40};
        Resampler r(88200, 44100, 1);
        REQUIRE(r.Process(in, 9, consumed, out, 64) == 4);
        CHECK(out[0] == 0);
        CHECK(out[2] == 10);
        CHECK(out[4] == 20);
        CHECK(out[6] == 30);
    }
    SUBCASE("feeding one frame at a time gives the same signal as feeding it whole")
    {
        std::vector<int16_t> in = Ramp(200, -3000, 37);
        Resampler whole(32000, 44100, 2), pieces(32000, 44100, 2);
        int16_t a[512], b[512];
        const size_t n = whole.Process(in.data(), 100, consumed, a, 256);
        size_t m = 0;
        for (size_t i = 0; i < 100; ++i) {
            m += pieces.Process(in.data() + 2 * i, 1, consumed, b + 2 * m, 256 - m);
            CHECK(consumed == 1);
        }
        REQUIRE(n == m);
        for (size_t i = 0; i < 2 * n; ++i)
            CHECK(a[i] == b[i]);
    }
    SUBCASE("a full output stops the conversion without losing input")
    {
        const int16_t in[] = {10, 20, 30, 40, 50};
        Resampler r(44100, 44100, 1);
        REQUIRE(r.Process(in, 5, consumed, out, 2) == 2);
        const size_t first = consumed;
        REQUIRE(r.Process(in + first, 5 - first, consumed, out + 4, 8) == 2);
        CHECK(out[4] == 30);
        CHECK(out[6] == 40);
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
