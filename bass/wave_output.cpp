#include "bass/wave_output.h"

#include <utility>

namespace {
constexpr int kChannels = 2;
constexpr WORD kBitsPerSample = 16;
// The worker also looks for free buffers this often, should a completion signal be lost.
constexpr DWORD kPollMilliseconds = 20;
}  // namespace

WaveOutput::~WaveOutput()
{
    Close();
}

bool WaveOutput::Open(UINT deviceId, uint32_t rate, RenderFunction renderFunction)
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
    if (waveOutOpen(&device, deviceId, &format, DWORD_PTR(event), 0, CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        device = nullptr;
        CloseHandle(event);
        event = nullptr;
        return false;
    }
    render = std::move(renderFunction);
    memory.assign(kBufferCount * kBufferFrames * kChannels, 0);
    for (size_t i = 0; i < kBufferCount; ++i) {
        headers[i] = {};
        headers[i].lpData = reinterpret_cast<LPSTR>(memory.data() + i * kBufferFrames * kChannels);
        headers[i].dwBufferLength = kBufferFrames * kChannels * sizeof(int16_t);
        waveOutPrepareHeader(device, &headers[i], sizeof headers[i]);
    }
    quit = false;
    worker = std::thread(&WaveOutput::Run, this);
    return true;
}

void WaveOutput::Run()
{
    while (!quit) {
        for (WAVEHDR& header : headers) {
            // A buffer is free once the device has given it back.
            if (quit || (header.dwFlags & WHDR_INQUEUE))
                continue;
            if (!render(reinterpret_cast<int16_t*>(header.lpData), kBufferFrames))
                break;
            header.dwFlags &= ~WHDR_DONE;
            if (waveOutWrite(device, &header, sizeof header) != MMSYSERR_NOERROR)
                break;
        }
        WaitForSingleObject(event, kPollMilliseconds);
    }
}

void WaveOutput::Flush()
{
    if (device)
        waveOutReset(device);
}

void WaveOutput::Wake()
{
    if (event)
        SetEvent(event);
}

void WaveOutput::Close()
{
    if (!device)
        return;
    quit = true;
    SetEvent(event);
    if (worker.joinable())
        worker.join();
    waveOutReset(device);
    for (WAVEHDR& header : headers)
        waveOutUnprepareHeader(device, &header, sizeof header);
    waveOutClose(device);
    device = nullptr;
    CloseHandle(event);
    event = nullptr;
}
