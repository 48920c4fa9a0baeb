// The audio library under Wine on files made by sox and lame (folder given by
// ZUVARIR_AUDIO_DIR): decoding through the ACM codec, tags, the seamless loop,
// a three-hour file, refused files, and the exported calls in any order.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bass/acm_decoder.h"
#include "bass/bass.h"
#include "bass/byte_source.h"
#include "bass/stream.h"
#include "tests/bass/mpeg_bytes.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;
// As the saver, which has its window before BASS_Init: under Wine a process's
// first window waits for the desktop to start, for seconds, which would
// otherwise fall into the library's limit on opening the device.
const HWND gDesktop = GetDesktopWindow();
// sox's "vol 0.5": half of full scale.
constexpr double kToneAmplitude = 0.5 * 32767;

std::string AudioFile(const char* name)
{
    const char* folder = std::getenv("ZUVARIR_AUDIO_DIR");
    REQUIRE(folder != nullptr);
    return std::string(folder) + "\\" + name;
}

Bytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// The library's stream over a file, as BASS_StreamCreateFile opens it.
std::unique_ptr<Stream> OpenFile(const std::string& path)
{
    return OpenStream(OpenFileSource(path.c_str()), CreateAcmDecoder);
}

// Stereo frames at the file's own rate (a mono file's samples on both sides).
struct Pcm {
    std::vector<int16_t> samples;
    double rate;
    size_t At(double seconds) const { return size_t(seconds * rate); }
};

Pcm Render(const std::string& path, double seconds)
{
    std::unique_ptr<Stream> stream = OpenFile(path);
    REQUIRE(stream != nullptr);
    stream->looping = true;
    const size_t frames = size_t(seconds * stream->Rate()), channels = size_t(stream->Channels());
    std::vector<int16_t> out(channels * frames);
    Render(*stream, out.data(), frames);
    Pcm pcm{std::vector<int16_t>(2 * frames), double(stream->Rate())};
    for (size_t i = 0; i < 2 * frames; ++i)
        pcm.samples[i] = out[channels == 1 ? i / 2 : i];
    return pcm;
}

// Frequency from the upward zero crossings of one channel, in Hz, over `seconds` from `from`.
double ZeroCrossingFrequency(const Pcm& pcm, int channel, double from, double seconds)
{
    int crossings = 0;
    for (size_t i = pcm.At(from) + 1; i < pcm.At(from + seconds); ++i)
        if (pcm.samples[2 * (i - 1) + size_t(channel)] < 0 && pcm.samples[2 * i + size_t(channel)] >= 0)
            ++crossings;
    return crossings / seconds;
}

double Rms(const int16_t* samples, size_t count)
{
    double sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(count));
}

}  // namespace

TEST_CASE("MP3 files of every MPEG version, CBR, VBR and mono, play at the right pitch")
{
    struct Row {
        const char* file;
        double frequency;
    };
    // 440 Hz tones, one second long, half of full scale.
    const Row rows[] = {
        {"cbr_44100_stereo.mp3", 440}, {"vbr_44100_stereo.mp3", 440}, {"cbr_48000_stereo.mp3", 440},
        {"cbr_32000_stereo.mp3", 440}, {"mono_22050.mp3", 440},       {"mono_8000.mp3", 440},
        {"tone_22050_mono.wav", 440},
    };
    for (const Row& row : rows) {
        CAPTURE(std::string(row.file));
        // Two seconds from a one-second file: the second pass must sound like the
        // first. Measured inside each pass: the 8000 Hz file starts quietly (the
        // encoder's doing) and carries no gapless information, so its passes last 1.08 s.
        const Pcm pcm = Render(AudioFile(row.file), 2);
        for (const double from : {0.3, 1.4}) {
            CAPTURE(from);
            const double length = 0.6;
            CHECK(ZeroCrossingFrequency(pcm, 0, from, length) == doctest::Approx(row.frequency).epsilon(0.02));
            CHECK(ZeroCrossingFrequency(pcm, 1, from, length) == doctest::Approx(row.frequency).epsilon(0.02));
            // A sine's RMS is its amplitude over the square root of two.
            const double rms = Rms(&pcm.samples[2 * pcm.At(from)], 2 * (pcm.At(from + length) - pcm.At(from)));
            CHECK(rms == doctest::Approx(kToneAmplitude / std::sqrt(2.0)).epsilon(0.1));
        }
    }
}

TEST_CASE("a looping MP3 joins its end to its start without a gap or a click")
{
    // 441 Hz at 44100 Hz: a period of exactly 100 samples, 441 whole periods in
    // the one-second file, so the looped signal is one unbroken sine.
    for (const char* name : {"sine441_cbr.mp3", "sine441_vbr.mp3"}) {
        CAPTURE(std::string(name));
        const size_t frames = 3 * kRate;
        const std::vector<int16_t> pcm = Render(AudioFile(name), 3).samples;
        // Error against the ideal sine, per block of one period.
        constexpr size_t kBlock = 100;
        std::vector<double> errors;
        for (size_t block = 0; block + kBlock <= frames; block += kBlock) {
            double error = 0;
            for (size_t i = block; i < block + kBlock; ++i) {
                const double ideal = kToneAmplitude * std::sin(2 * kPi * 441.0 * double(i) / kRate);
                error += (pcm[2 * i] - ideal) * (pcm[2 * i] - ideal);
            }
            errors.push_back(std::sqrt(error / kBlock));
        }
        std::vector<double> sorted = errors;
        std::sort(sorted.begin(), sorted.end());
        const double typical = sorted[sorted.size() / 2];
        const size_t worstAt = size_t(std::max_element(errors.begin(), errors.end()) - errors.begin()) * kBlock;
        CAPTURE(worstAt);
        CAPTURE(typical);
        // The coding error of the file itself stays small and even ...
        CHECK(typical < 0.03 * kToneAmplitude);
        // ... and no block, the ones at the wraps (44100, 88200) included, stands out:
        // a gap there, or one sample of misalignment after it (an error of about 0.044
        // of the amplitude from then on), would.
        CHECK(errors[worstAt / kBlock] < typical + 0.01 * kToneAmplitude);
    }
}

TEST_CASE("a three-hour MP3 streams from disk to its end and loops")
{
    // The one-second 8000 Hz tone's audio frames (MPEG-2.5, 576 samples each)
    // repeated for three hours, written beside it; the player plays it later.
    const Bytes tone = ReadAll(AudioFile("mono_8000.mp3"));
    MpegStreamInfo info;
    REQUIRE(ScanMpegStream(tone.data(), tone.size(), info));
    REQUIRE(info.sampleRate == 8000);
    constexpr uint32_t kSeconds = 3 * 3600;
    const size_t frames = size_t(kSeconds) * info.sampleRate / info.samplesPerFrame;
    {
        std::ofstream out(AudioFile("long_8000.mp3"), std::ios::binary | std::ios::trunc);
        REQUIRE(WriteRepeatedFrames(out, tone, info, frames));
    }

    // Faster than real time, a second at a time at the file's own rate: to ten
    // seconds before its end without looping, then looping across the wrap.
    std::unique_ptr<Stream> stream = OpenFile(AudioFile("long_8000.mp3"));
    REQUIRE(stream != nullptr);
    REQUIRE(stream->Channels() == 1);
    std::vector<int16_t> second(info.sampleRate);
    const double quiet = 0.2 * kToneAmplitude;
    for (uint32_t s = 0; s < kSeconds - 10; ++s)
        Render(*stream, second.data(), info.sampleRate);
    CHECK_FALSE(stream->finished);
    CHECK(Rms(second.data(), second.size()) > quiet);
    stream->looping = true;
    double quietest = kToneAmplitude;
    for (uint32_t s = 0; s < 20; ++s) {
        Render(*stream, second.data(), info.sampleRate);
        quietest = std::min(quietest, Rms(second.data(), second.size()));
    }
    CHECK_FALSE(stream->finished);
    CHECK(quietest > quiet);
}

TEST_CASE("tags around the audio are skipped: a large ID3v2 tag, a corrupt size, an ID3v1 tag")
{
    const Bytes plain = ReadAll(AudioFile("cbr_44100_stereo.mp3"));
    REQUIRE(plain.size() > 1000);
    struct Row {
        const char* name;
        Bytes front;
        bool id3v1;
    };
    const Row rows[] = {
        {"tagged_large.mp3", Id3v2(400000, 400000), true},
        {"tagged_corrupt.mp3", Id3v2(0x0FFFFFFF, 3000), false},
        {"tagged_v1.mp3", Bytes(), true},
    };
    for (const Row& row : rows) {
        CAPTURE(row.name);
        Bytes file = row.front;
        Append(file, plain);
        if (row.id3v1)
            Append(file, Id3v1());
        const std::string path = AudioFile(row.name);
        WriteAll(path, file);
        const Pcm pcm = Render(path, 1);
        CHECK(ZeroCrossingFrequency(pcm, 0, 0.1, 0.8) == doctest::Approx(440).epsilon(0.02));
        std::remove(path.c_str());
    }
}

TEST_CASE("the library calls in the saver's order, in any other order, and repeated")
{
    const std::string mp3 = AudioFile("cbr_44100_stereo.mp3");
    SUBCASE("before BASS_Init every call refuses and nothing breaks")
    {
        CHECK_FALSE(BASS_Start());
        CHECK(BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, 0) == 0);
        CHECK_FALSE(BASS_StreamPlay(1, FALSE, BASS_SAMPLE_LOOP));
        CHECK_FALSE(BASS_StreamFree(1));
        CHECK_FALSE(BASS_Stop());
        CHECK_FALSE(BASS_Free());
    }
    SUBCASE("the saver's sequence, then all of it again")
    {
        for (int round = 0; round < 2; ++round) {
            REQUIRE(BASS_Init(-1, kRate, 0, nullptr));
            CHECK_FALSE(BASS_Init(-1, kRate, 0, nullptr));  // already initialised
            CHECK(BASS_Start());
            const DWORD stream = BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, 0);
            REQUIRE(stream != 0);
            CHECK(BASS_StreamPlay(stream, FALSE, BASS_SAMPLE_LOOP));
            Sleep(300);
            CHECK(BASS_StreamFree(stream));
            CHECK_FALSE(BASS_StreamFree(stream));
            CHECK_FALSE(BASS_StreamPlay(stream, FALSE, 0));
            CHECK(BASS_Stop());
            CHECK(BASS_Stop());
            CHECK(BASS_Free());
            CHECK_FALSE(BASS_Free());
        }
    }
    SUBCASE("freeing the library with a stream still playing, then stopping")
    {
        REQUIRE(BASS_Init(-1, kRate, 0, nullptr));
        const DWORD stream = BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, 0);
        REQUIRE(stream != 0);
        CHECK(BASS_StreamPlay(stream, TRUE, BASS_SAMPLE_LOOP));
        CHECK(BASS_Stop());
        CHECK(BASS_Start());
        // Start opens the device again on the worker, which answers Free once
        // that is done: on a loaded machine under Wine, in hundreds of milliseconds.
        Sleep(1000);
        CHECK(BASS_Free());
        CHECK_FALSE(BASS_StreamFree(stream));
        CHECK_FALSE(BASS_Stop());
    }
    SUBCASE("memory, a part of a file, and a second stream before the first is freed are refused")
    {
        REQUIRE(BASS_Init(-1, kRate, 0, nullptr));
        const Bytes bytes = ReadAll(mp3);
        CHECK(BASS_StreamCreateFile(TRUE, bytes.data(), 0, DWORD(bytes.size()), 0) == 0);
        CHECK(GetLastError() == ERROR_NOT_SUPPORTED);
        CHECK(BASS_StreamCreateFile(FALSE, mp3.c_str(), 5000, 0, 0) == 0);
        const DWORD first = BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, 0);
        CHECK(first != 0);
        CHECK(BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, 0) == 0);
        CHECK(BASS_StreamFree(first));
        const DWORD second = BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, 0);
        CHECK(second != 0);
        CHECK(second != first);
        CHECK(BASS_Free());
    }
    SUBCASE("arguments the library refuses")
    {
        CHECK_FALSE(BASS_Init(0, kRate, 0, nullptr));
        CHECK_FALSE(BASS_Init(-1, 1, 0, nullptr));
        REQUIRE(BASS_Init(-1, 0, 0, nullptr));  // 0 means 44100
        CHECK(BASS_StreamCreateFile(FALSE, nullptr, 0, 0, 0) == 0);
        CHECK_FALSE(BASS_StreamPlay(0, FALSE, 0));
        CHECK_FALSE(BASS_StreamFree(0));
        CHECK(BASS_Free());
    }
}

TEST_CASE("the library's threads keep it loaded until they end: a program may unload it once BASS_Free returns")
{
    // A copy of the DLL of its own, which this program alone loads and unloads.
    char built[MAX_PATH];
    REQUIRE(GetModuleFileNameA(GetModuleHandleA("BASS.dll"), built, MAX_PATH) > 0);
    const std::string copy = AudioFile("held_bass.dll");
    REQUIRE(CopyFileA(built, copy.c_str(), FALSE));
    HMODULE library = LoadLibraryA(copy.c_str());
    REQUIRE(library);
    const auto find = [&](const char* name) { return reinterpret_cast<void*>(GetProcAddress(library, name)); };
    const auto bassInit = reinterpret_cast<decltype(&BASS_Init)>(find("BASS_Init"));
    const auto bassCreate = reinterpret_cast<decltype(&BASS_StreamCreateFile)>(find("BASS_StreamCreateFile"));
    const auto bassFree = reinterpret_cast<decltype(&BASS_Free)>(find("BASS_Free"));
    REQUIRE(bassInit(-1, kRate, 0, nullptr));
    CHECK(bassCreate(FALSE, AudioFile("cbr_44100_stereo.mp3").c_str(), 0, 0, 0) != 0);
    // The program lets its reference go while the worker runs: the worker's keeps the DLL.
    FreeLibrary(library);
    CHECK(GetModuleHandleA("held_bass.dll") == library);
    REQUIRE(LoadLibraryA(copy.c_str()) == library);
    CHECK(bassFree());
    FreeLibrary(library);
    // The worker ends, and with it the last reference (the file's opening gave its own back).
    for (int wait = 0; wait < 100 && GetModuleHandleA("held_bass.dll"); ++wait)
        Sleep(50);
    CHECK(GetModuleHandleA("held_bass.dll") == nullptr);
    std::remove(copy.c_str());
}

TEST_CASE("files that hold no playable audio give no stream")
{
    REQUIRE(BASS_Init(-1, kRate, 0, nullptr));
    const std::string empty = AudioFile("empty.mp3");
    WriteAll(empty, Bytes());
    const std::string garbage = AudioFile("garbage.mp3");
    Bytes noise(20000);
    uint32_t state = 12345;
    for (uint8_t& b : noise) {
        state = state * 214013 + 2531011;
        b = uint8_t(state >> 16);
    }
    WriteAll(garbage, noise);
    const std::string text = AudioFile("text.mp3");
    WriteAll(text, Bytes(300, 'a'));
    Bytes truncatedBytes = ReadAll(AudioFile("cbr_44100_stereo.mp3"));
    truncatedBytes.resize(200);  // not even one whole frame after the Info frame's start
    const std::string truncated = AudioFile("truncated.mp3");
    WriteAll(truncated, truncatedBytes);

    for (const std::string& path : {AudioFile("missing.mp3"), empty, garbage, text, truncated,
                                     std::string("Couldn't load filename from registry"), AudioFile(""), std::string("")}) {
        CAPTURE(path);
        CHECK(BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0) == 0);
    }
    CHECK(BASS_Free());
    for (const std::string& path : {empty, garbage, text, truncated})
        std::remove(path.c_str());
}

TEST_CASE("without a usable output device BASS_Init returns 0" * doctest::skip(std::getenv("ZUVARIR_AUDIO_NO_DEVICE") == nullptr))
{
    CHECK_FALSE(BASS_Init(-1, kRate, 0, nullptr));
    CHECK(BASS_StreamCreateFile(FALSE, AudioFile("cbr_44100_stereo.mp3").c_str(), 0, 0, 0) == 0);
    CHECK_FALSE(BASS_Free());
}
