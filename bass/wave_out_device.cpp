// waveOut with CALLBACK_EVENT: the system signals one auto-reset event when a
// buffer comes back, and so does Wake, so the worker sleeps on it alone. The
// system owns a header from waveOutWrite until it sets WHDR_DONE, the one flag
// the worker reads; waveOutReset gives every queued one back before it returns.
// When it fails, headers, buffers and event are leaked with the device handle
// rather than freed or reused under the driver.
#include "bass/wave_out_device.h"

#include <windows.h>
#include <mmsystem.h>

#include <memory>
#include <new>

#include "bass/bass.h"

namespace {
constexpr WORD kBitsPerSample = 16;
constexpr size_t kBufferSamples = OutputDevice::kBufferFrames * OutputDevice::kMaxChannels;
const wchar_t kWorkerName[] = L"BASS worker";

// What the driver holds while it plays: allocated apart from the device, so
// that it can be left to a driver that does not give it back.
struct DriverMemory {
    WAVEHDR headers[OutputDevice::kBufferCount] = {};
    int16_t samples[OutputDevice::kBufferCount * kBufferSamples] = {};
};

class WaveOutDevice : public OutputDevice {
public:
    WaveOutDevice() : memory(new DriverMemory) {}
    ~WaveOutDevice() override
    {
        if (device) {
            if (waveOutReset(device) != MMSYSERR_NOERROR) {
                // The driver may still write the headers, read the samples and
                // signal the event: all three stay, leaked on purpose.
                memory.release();
                return;
            }
            for (WAVEHDR& header : memory->headers)
                waveOutUnprepareHeader(device, &header, sizeof header);
            waveOutClose(device);
        }
        if (event)
            CloseHandle(event);
    }
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    bool Open(UINT id, uint32_t rate, int channels)
    {
        frameBytes = DWORD(channels) * kBitsPerSample / 8;
        WAVEFORMATEX format = {};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = WORD(channels);
        format.nSamplesPerSec = rate;
        format.wBitsPerSample = kBitsPerSample;
        format.nBlockAlign = WORD(frameBytes);
        format.nAvgBytesPerSec = rate * format.nBlockAlign;
        event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!event)
            return false;
        if (waveOutOpen(&device, id, &format, DWORD_PTR(event), 0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
            device = nullptr;
            return false;
        }
        for (size_t i = 0; i < kBufferCount; ++i) {
            WAVEHDR& header = memory->headers[i];
            header.lpData = reinterpret_cast<LPSTR>(Buffer(i));
            header.dwBufferLength = DWORD(kBufferFrames) * frameBytes;
            if (waveOutPrepareHeader(device, &header, sizeof header) != MMSYSERR_NOERROR)
                return false;
        }
        return true;
    }

    int16_t* Buffer(size_t index) override { return memory->samples + index * kBufferSamples; }

    bool Play(size_t index) override
    {
        return waveOutWrite(device, &memory->headers[index], sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
    }

    bool Done(size_t index) override
    {
        const volatile DWORD& flags = memory->headers[index].dwFlags;
        return (flags & WHDR_DONE) != 0;
    }

    bool Reset() override { return waveOutReset(device) == MMSYSERR_NOERROR; }

    bool Position(uint32_t& frames) override
    {
        MMTIME time = {};
        time.wType = TIME_SAMPLES;
        if (waveOutGetPosition(device, &time, sizeof time) != MMSYSERR_NOERROR)
            return false;
        // Samples count modulo 2^32, bytes modulo 2^32 and so frames modulo
        // 2^30 or 2^31: all are brought to the smallest.
        if (time.wType == TIME_SAMPLES)
            frames = time.u.sample;
        else if (time.wType == TIME_BYTES)
            frames = time.u.cb / frameBytes;
        else
            return false;
        frames &= kPositionModulo - 1;
        return true;
    }

    bool Wait(uint32_t milliseconds) override { return WaitForSingleObject(event, milliseconds) == WAIT_OBJECT_0; }
    void Wake() override { SetEvent(event); }

private:
    HWAVEOUT device = nullptr;
    HANDLE event = nullptr;
    DWORD frameBytes = 0;
    std::unique_ptr<DriverMemory> memory;
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

std::unique_ptr<OutputDevice> OpenWaveOutDevice(int device, uint32_t rate, int channels)
{
    NameThisThread();
    std::unique_ptr<WaveOutDevice> output(new (std::nothrow) WaveOutDevice);
    const UINT id = device == BASS_DEFAULT_DEVICE ? WAVE_MAPPER : UINT(device - 1);
    if (!output || !output->Open(id, rate, channels))
        return nullptr;
    return output;
}
