#include "bass/wav_source.h"

#include <utility>

namespace {
// 8-bit WAV samples are unsigned with silence at 128.
constexpr int kUnsigned8Midpoint = 128;
constexpr int kWidenFactor = 256;
}  // namespace

WavSource::WavSource(std::unique_ptr<ReadAhead> file, const WavLayout& wavLayout)
    : input(std::move(file)), layout(wavLayout)
{
    sampleRate = layout.sampleRate;
    channels = layout.channels;
}

size_t WavSource::Read(int16_t* frames, size_t maxFrames)
{
    const size_t sampleBytes = size_t(layout.bitsPerSample / 8);
    const size_t frameBytes = sampleBytes * size_t(channels);
    size_t count = input->Capacity() / frameBytes;
    if (count > maxFrames)
        count = maxFrames;
    if (count > (layout.dataSize - position) / frameBytes)
        count = size_t((layout.dataSize - position) / frameBytes);
    const uint8_t* in = input->Peek(layout.dataOffset + position, count * frameBytes);
    if (count == 0 || !in)
        return 0;
    const size_t samples = count * size_t(channels);
    for (size_t i = 0; i < samples; ++i) {
        if (sampleBytes == 1)
            frames[i] = int16_t((in[i] - kUnsigned8Midpoint) * kWidenFactor);
        else
            frames[i] = int16_t(in[2 * i] | in[2 * i + 1] << 8);
    }
    position += count * frameBytes;
    return count;
}

bool WavSource::Rewind()
{
    position = 0;
    input->Retry();
    return true;
}
