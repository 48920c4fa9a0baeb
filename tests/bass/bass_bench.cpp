// Figures for tools/bench-audio.sh, not a test. Modes:
//   bass_bench long TONE.mp3 OUT.mp3 SECONDS  writes OUT from TONE's frames repeated for SECONDS
//   bass_bench calls FILE SECONDS             times every call made against a playing stream, and
//                                             the worker's render steps on the same file
//   bass_bench cpu FILE SECONDS               the worker thread's CPU time, idle and then playing
//   bass_bench resampling                     how clean tones at 48, 32 and 22.05 kHz come out at
//                                             44.1 kHz, and what the resampler costs
#include <windows.h>
#include <mmsystem.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bass/acm_decoder.h"
#include "bass/bass.h"
#include "bass/mpeg_scanner.h"
#include "bass/resampler.h"
#include "bass/stream_factory.h"
#include "tests/bass/mpeg_bytes.h"
#include "tests/bass/tone_spectrum.h"

namespace {
double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

int MakeLong(const char* tonePath, const char* outPath, double seconds)
{
    std::ifstream in(tonePath, std::ios::binary);
    const Bytes tone((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    MpegStreamInfo info;
    if (!ScanMpegStream(tone.data(), tone.size(), info))
        return 1;
    const size_t frames = size_t(seconds * info.sampleRate / info.samplesPerFrame);
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    return WriteRepeatedFrames(out, tone, info, frames) ? 0 : 1;
}

struct Timing {
    explicit Timing(const char* name) : name(name) {}
    const char* name;
    std::vector<double> seconds;

    void Print() const
    {
        if (seconds.empty())
            return;
        std::vector<double> sorted = seconds;
        std::sort(sorted.begin(), sorted.end());
        std::printf("%-22s %6zu calls  median %8.1f us  99.9%% %8.1f us  longest %8.1f us\n", name, sorted.size(),
                    sorted[sorted.size() / 2] * 1e6, sorted[sorted.size() * 999 / 1000] * 1e6, sorted.back() * 1e6);
    }
};

template <typename Call>
void Time(Timing& timing, Call call)
{
    const double start = Now();
    call();
    timing.seconds.push_back(Now() - start);
}

int Calls(const char* path, double seconds)
{
    if (!BASS_Init(-1, 44100, 0, nullptr))
        return 2;
    BASS_Start();
    const DWORD stream = BASS_StreamCreateFile(FALSE, path, 0, 0, 0);
    if (!stream)
        return 3;
    BASS_StreamPlay(stream, FALSE, BASS_SAMPLE_LOOP);
    Timing stop("BASS_Stop"), stopAgain("BASS_Stop, stopped"), start("BASS_Start"), play("BASS_StreamPlay"), restart("BASS_StreamPlay flush"),
        create("BASS_StreamCreateFile"), free("BASS_StreamFree");
    // The worker refills the device after each start or restart, so the next
    // call meets it decoding.
    const double end = Now() + seconds;
    for (unsigned round = 0; Now() < end; ++round) {
        Time(stop, [] { BASS_Stop(); });
        // The device's reset and the round trip alone, with nothing decoding.
        Time(stopAgain, [] { BASS_Stop(); });
        Time(start, [] { BASS_Start(); });
        Sleep(1);
        Time(play, [&] { BASS_StreamPlay(stream, FALSE, BASS_SAMPLE_LOOP); });
        Sleep(1);
        Time(restart, [&] { BASS_StreamPlay(stream, TRUE, BASS_SAMPLE_LOOP); });
        Sleep(1);
        if (round % 10 == 0) {
            DWORD other = 0;
            Time(create, [&] { other = BASS_StreamCreateFile(FALSE, path, 0, 0, 0); });
            Time(free, [&] { BASS_StreamFree(other); });
        }
    }
    for (const Timing* timing : {&stop, &stopAgain, &start, &play, &restart, &create, &free})
        timing->Print();
    BASS_StreamFree(stream);
    BASS_Stop();
    BASS_Free();

    // What a call that waits may wait for: one step of the worker's rendering
    // (256 frames; it takes commands between steps), here on this thread.
    std::unique_ptr<Stream> direct = OpenStream(OpenFileSource(path, 0, 0), CreateAcmDecoder, 44100);
    if (!direct)
        return 3;
    direct->looping = true;
    Timing step("render step");
    std::vector<int16_t> frames(2 * 256);
    for (int i = 0; i < 44100 * 60 / 256; ++i)
        Time(step, [&] { direct->Render(frames.data(), 256); });
    step.Print();
    Timing restartStep("stream restart");
    for (int i = 0; i < 100; ++i) {
        Time(restartStep, [&] { direct->Restart(); });
        direct->Render(frames.data(), 256);
    }
    restartStep.Print();

    // And what the system's reset costs by itself, with the library's eight buffers queued.
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    HWAVEOUT device;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
        return 2;
    std::vector<int16_t> memory(8 * 2048 * 2);
    WAVEHDR headers[8] = {};
    for (int i = 0; i < 8; ++i) {
        headers[i].lpData = reinterpret_cast<LPSTR>(memory.data() + i * 2048 * 2);
        headers[i].dwBufferLength = 2048 * 4;
        waveOutPrepareHeader(device, &headers[i], sizeof headers[i]);
    }
    Timing reset("waveOutReset alone");
    for (int round = 0; round < 200; ++round) {
        for (WAVEHDR& header : headers)
            waveOutWrite(device, &header, sizeof header);
        Sleep(5);
        Time(reset, [&] { waveOutReset(device); });
    }
    reset.Print();
    for (WAVEHDR& header : headers)
        waveOutUnprepareHeader(device, &header, sizeof header);
    waveOutClose(device);
    return 0;
}

// The library names its worker thread; found among this process's threads.
HANDLE FindWorker()
{
    using GetDescription = HRESULT(WINAPI*)(HANDLE, PWSTR*);
    const auto getDescription = reinterpret_cast<GetDescription>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetThreadDescription")));
    if (!getDescription)
        return nullptr;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    HANDLE found = nullptr;
    for (BOOL more = Thread32First(snapshot, &entry); more && !found; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId())
            continue;
        const HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        PWSTR name = nullptr;
        if (thread && SUCCEEDED(getDescription(thread, &name)) && name && std::wcscmp(name, L"BASS worker") == 0)
            found = thread;
        else if (thread)
            CloseHandle(thread);
        if (name)
            LocalFree(name);
    }
    CloseHandle(snapshot);
    return found;
}

double CpuSeconds(HANDLE thread)
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    auto seconds = [](const FILETIME& t) { return double(uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) * 1e-7; };
    return seconds(kernel) + seconds(user);
}

int Cpu(const char* path, double seconds)
{
    if (!BASS_Init(-1, 44100, 0, nullptr))
        return 2;
    BASS_Start();
    const HANDLE worker = FindWorker();
    if (!worker) {
        std::printf("the worker thread was not found\n");
        return 4;
    }
    double before = CpuSeconds(worker);
    Sleep(DWORD(seconds * 1000));
    std::printf("worker CPU, initialised with no stream: %.3f s in %.0f s\n", CpuSeconds(worker) - before, seconds);
    std::fflush(stdout);
    const DWORD stream = BASS_StreamCreateFile(FALSE, path, 0, 0, 0);
    if (!stream)
        return 3;
    before = CpuSeconds(worker);
    BASS_StreamPlay(stream, FALSE, BASS_SAMPLE_LOOP);
    Sleep(DWORD(seconds * 1000));
    std::printf("worker CPU, playing: %.3f s in %.0f s\n", CpuSeconds(worker) - before, seconds);
    BASS_StreamFree(stream);
    BASS_Stop();
    BASS_Free();
    return 0;
}
// Full-scale stereo tones, one second each, through a stream at 44100 Hz (the
// resampler as the worker drives it), measured over 16384 frames from the
// middle; beside it the same measure of the source's first 16384 frames at its
// own rate: 16-bit rounding puts a floor under both. Then the resampler alone, timed
// over a minute of audio.
int Resampling()
{
    constexpr uint32_t kOutputRate = 44100;
    constexpr size_t kSkip = 8192, kMeasured = 16384;
    const double binHz = double(kOutputRate) / kMeasured;
    struct Case {
        uint32_t rate;
        double hz;
    };
    const Case cases[] = {{48000, 1000}, {48000, 15000}, {48000, 19000}, {48000, 19845}, {32000, 1000},
                          {32000, 12000}, {32000, 14400}, {22050, 1000}, {22050, 9000},  {22050, 9922.5}};
    std::printf("source Hz  tone Hz   level dB  worst spurious dB  at Hz    source's own dB\n");
    for (const Case& c : cases) {
        const double hz = std::floor(c.hz / binHz) * binHz;
        const std::vector<int16_t> samples = Sine(c.rate, 2, hz, c.rate, 32767);
        std::unique_ptr<Stream> stream =
            OpenStream(std::make_unique<MemorySource>(Wav(c.rate, 2, 16, samples)), CreateAcmDecoder, kOutputRate);
        if (!stream)
            return 3;
        std::vector<int16_t> out(2 * (kSkip + kMeasured));
        stream->Render(out.data(), kSkip + kMeasured);
        ToneMeasure worst = {0, 0, -400, 0};
        for (int channel = 0; channel < 2; ++channel) {
            const ToneMeasure m = MeasureTone(out.data() + 2 * kSkip, kMeasured, channel, kOutputRate, hz);
            worst = m.spuriousDb > worst.spuriousDb ? m : worst;
        }
        const ToneMeasure own = MeasureTone(samples.data(), kMeasured, 0, c.rate, hz);
        std::printf("%9u  %7.1f  %9.4f  %17.1f  %6.0f  %17.1f\n", c.rate, hz, worst.toneDb, worst.spuriousDb,
                    worst.spuriousHz, own.spuriousDb);
    }

    for (uint32_t rate : {48000u, 32000u, 22050u, 44100u}) {
        const std::vector<int16_t> input = Sine(rate, 2, 997, rate, 32767);
        std::vector<int16_t> out(2 * 4096);
        double built = 1e9, fastest = 1e9;
        for (int round = 0; round < 3; ++round) {
            double start = Now();
            Resampler resampler(rate, kOutputRate, 2);
            built = std::min(built, Now() - start);
            start = Now();
            for (int second = 0; second < 60; ++second) {
                for (size_t at = 0; at < rate;) {
                    size_t consumed = 0;
                    resampler.Process(input.data() + 2 * at, rate - at, consumed, out.data(), 4096);
                    at += consumed;
                }
            }
            fastest = std::min(fastest, (Now() - start) / 60);
        }
        std::printf("resampler, %5u Hz stereo to 44100: %6.2f ms per second of audio (%5.0f ns a frame), "
                    "made in %5.2f ms\n",
                    rate, fastest * 1e3, fastest * 1e9 / kOutputRate, built * 1e3);
    }
    return 0;
}
}  // namespace

int main(int argc, char** argv)
{
    // As the saver, which has its window before BASS_Init: under Wine a
    // process's first window waits for the desktop to start, for seconds.
    GetDesktopWindow();
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "long" && argc == 5)
        return MakeLong(argv[2], argv[3], std::atof(argv[4]));
    if (mode == "calls" && argc == 4)
        return Calls(argv[2], std::atof(argv[3]));
    if (mode == "cpu" && argc == 4)
        return Cpu(argv[2], std::atof(argv[3]));
    if (mode == "resampling" && argc == 2)
        return Resampling();
    std::fprintf(stderr, "usage: bass_bench long TONE OUT SECONDS | calls FILE SECONDS | cpu FILE SECONDS | resampling\n");
    return 1;
}
