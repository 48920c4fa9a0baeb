// WAV layout, the looping stream, and each stream played at its own rate and
// channel count.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "bass/audio_library.h"
#include "bass/stream.h"
#include "bass/wav_source.h"
#include "tests/bass/fake_device.h"
#include "tests/bass/fake_mpeg_decoder.h"
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
    Stream stream(WavInMemory(file, layout));
    int16_t out[2 * 40];

    SUBCASE("looping: 0 1 2 3 4 5 0 1 2 ... across render calls of any size")
    {
        stream.looping = true;
        Render(stream, out, 7);
        Render(stream, out + 14, 33);
        for (int i = 0; i < 40; ++i) {
            CAPTURE(i);
            CHECK(out[2 * i] == i % 6);
            CHECK(out[2 * i + 1] == -(i % 6));
        }
        CHECK_FALSE(stream.finished);
    }
    SUBCASE("not looping: the samples once, then silence")
    {
        Render(stream, out, 40);
        for (int i = 0; i < 6; ++i)
            CHECK(out[2 * i] == i);
        for (int i = 6; i < 40; ++i)
            CHECK(out[2 * i] == 0);
        CHECK(stream.finished);
    }
    SUBCASE("a restart begins again at the first sample")
    {
        stream.looping = true;
        Render(stream, out, 4);
        stream.Restart();
        Render(stream, out, 3);
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

TEST_CASE("each stream plays through a device opened for its own rate and channel count, and keeps its place across a stop")
{
    AudioLibrary library(OpenFakeDevice, FakeMpegDecoder::Create);
    REQUIRE(library.Init(-1, 44100));
    const size_t opened = gDevices.Count();
    // Mono at 22050 Hz counting up from 1; stereo at 48000 Hz, left 5 and right -5.
    std::vector<int16_t> stereo;
    for (int i = 0; i < 6000; ++i)
        stereo.insert(stereo.end(), {5, -5});
    const Bytes mono = Wav(22050, 1, 16, Ramp(12000, 1, 1)), other = Wav(48000, 2, 16, stereo);
    const uint32_t a = library.StreamCreateFile(FileOf(mono).c_str());
    REQUIRE(library.StreamPlay(a, false, false));
    std::shared_ptr<DeviceRecord> first = gDevices.WaitOpened(opened + 1);
    REQUIRE(first);
    CHECK(first->rate == 22050);
    CHECK(first->channels == 1);
    REQUIRE(first->WaitIdle());
    first->Advance(3000);
    REQUIRE(library.Stop());
    CHECK(library.Start());
    std::shared_ptr<DeviceRecord> second = gDevices.WaitOpened(opened + 2);
    REQUIRE(second);
    REQUIRE(second->WaitIdle());
    second->Advance(12000);
    // The mono frames in order, once each, across the stop: 1, 2, ... 12000.
    std::vector<int16_t> heard = first->played;
    heard.insert(heard.end(), second->played.begin(), second->played.end());
    heard.erase(std::remove(heard.begin(), heard.end(), int16_t(0)), heard.end());
    CHECK(heard == Ramp(12000, 1, 1));

    REQUIRE(library.StreamFree(a));
    const uint32_t b = library.StreamCreateFile(FileOf(other).c_str());
    REQUIRE(library.StreamPlay(b, false, false));
    std::shared_ptr<DeviceRecord> third = gDevices.WaitOpened(opened + 3);
    REQUIRE(third);
    CHECK(third->rate == 48000);
    CHECK(third->channels == 2);
    REQUIRE(third->WaitIdle());
    third->Advance(100);
    CHECK(third->played[0] == 5);
    CHECK(third->played[1] == -5);
    CHECK(library.Free());
}
