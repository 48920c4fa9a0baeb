// Figures for tools/bench-audio.sh, not a test. Modes:
//   bass_bench long TONE.mp3 OUT.mp3 SECONDS  writes OUT from TONE's frames repeated for SECONDS
//   bass_bench calls FILE SECONDS             times every call made against a playing stream, and
//                                             the worker's render steps on the same file
//   bass_bench cpu FILE SECONDS               the worker thread's CPU time, idle and then playing
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
#include "bass/stream.h"
#include "tests/bass/mpeg_bytes.h"

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
    std::unique_ptr<Stream> direct = OpenStream(OpenFileSource(path), CreateAcmDecoder);
    if (!direct)
        return 3;
    direct->looping = true;
    Timing step("render step");
    std::vector<int16_t> frames(2 * 256);
    for (int i = 0; i < 44100 * 60 / 256; ++i)
        Time(step, [&] { Render(*direct, frames.data(), 256); });
    step.Print();
    Timing restartStep("stream restart");
    for (int i = 0; i < 100; ++i) {
        Time(restartStep, [&] { direct->Restart(); });
        Render(*direct, frames.data(), 256);
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
    std::fprintf(stderr, "usage: bass_bench long TONE OUT SECONDS | calls FILE SECONDS | cpu FILE SECONDS\n");
    return 1;
}
