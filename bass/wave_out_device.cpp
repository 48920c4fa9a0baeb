// waveOut with CALLBACK_EVENT: the system signals one auto-reset event when a
// buffer comes back, and Wake signals the same event, so the worker sleeps on
// it alone. The worker only reads a queued header's flags (WHDR_DONE, which
// the system sets before it signals); the system owns a header from
// waveOutWrite until then, and waveOutReset gives every queued one back before
// it returns.
#include "bass/wave_out_device.h"

#include <windows.h>
#include <mmsystem.h>

#include <new>
#include <vector>

namespace {
constexpr int kDefaultDevice = -1;
constexpr WORD kChannels = 2;
constexpr WORD kBitsPerSample = 16;
constexpr size_t kBufferSamples = OutputDevice::kBufferFrames * kChannels;
const wchar_t kWorkerName[] = L"BASS worker";

class WaveOutDevice : public OutputDevice {
public:
    WaveOutDevice() : memory(kBufferCount * kBufferSamples, 0) {}
    ~WaveOutDevice() override
    {
        if (device) {
            waveOutReset(device);
            for (WAVEHDR& header : headers)
                waveOutUnprepareHeader(device, &header, sizeof header);
            waveOutClose(device);
        }
        if (event)
            CloseHandle(event);
    }
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    bool Open(UINT id, uint32_t rate)
    {
        WAVEFORMATEX format = {};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = kChannels;
        format.nSamplesPerSec = rate;
        format.wBitsPerSample = kBitsPerSample;
        format.nBlockAlign = kChannels * kBitsPerSample / 8;
        format.nAvgBytesPerSec = rate * format.nBlockAlign;
        event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!event)
            return false;
        if (waveOutOpen(&device, id, &format, DWORD_PTR(event), 0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
            device = nullptr;
            return false;
        }
        for (size_t i = 0; i < kBufferCount; ++i) {
            headers[i].lpData = reinterpret_cast<LPSTR>(memory.data() + i * kBufferSamples);
            headers[i].dwBufferLength = kBufferSamples * sizeof(int16_t);
            if (waveOutPrepareHeader(device, &headers[i], sizeof headers[i]) != MMSYSERR_NOERROR)
                return false;
        }
        return true;
    }

    int16_t* Buffer(size_t index) override { return memory.data() + index * kBufferSamples; }

    bool Play(size_t index) override
    {
        return waveOutWrite(device, &headers[index], sizeof headers[index]) == MMSYSERR_NOERROR;
    }

    bool Done(size_t index) override
    {
        const volatile DWORD& flags = headers[index].dwFlags;
        return (flags & WHDR_DONE) != 0;
    }

    void Reset() override { waveOutReset(device); }

    uint32_t Position() override
    {
        MMTIME time = {};
        time.wType = TIME_SAMPLES;
        if (waveOutGetPosition(device, &time, sizeof time) != MMSYSERR_NOERROR)
            return 0;
        if (time.wType == TIME_BYTES)
            return time.u.cb / (kChannels * sizeof(int16_t));
        return time.wType == TIME_SAMPLES ? time.u.sample : 0;
    }

    void Wait() override { WaitForSingleObject(event, INFINITE); }
    void Wake() override { SetEvent(event); }

private:
    HWAVEOUT device = nullptr;
    HANDLE event = nullptr;
    std::vector<int16_t> memory;
    WAVEHDR headers[kBufferCount] = {};
};

// Thread names appeared with Windows 10; older systems go without.
void NameThisThread()
{
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    const auto setDescription =
        kernel ? reinterpret_cast<SetDescription>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadDescription")))
               : nullptr;
    if (setDescription)
        setDescription(GetCurrentThread(), kWorkerName);
}
}  // namespace

std::unique_ptr<OutputDevice> OpenWaveOutDevice(int device, uint32_t rate)
{
    NameThisThread();
    std::unique_ptr<WaveOutDevice> output(new (std::nothrow) WaveOutDevice);
    const UINT id = device == kDefaultDevice ? WAVE_MAPPER : UINT(device - 1);
    if (!output || !output->Open(id, rate))
        return nullptr;
    return output;
}
