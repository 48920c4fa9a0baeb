#include "bass/wav_source.h"

#include <cstring>
#include <utility>

namespace {
constexpr size_t kRiffHeaderSize = 12;
constexpr size_t kChunkHeaderSize = 8;
constexpr size_t kFmtMinimum = 16;
constexpr size_t kExtensibleMinimum = 40;
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr size_t kSubFormatOffset = 24;
constexpr uint32_t kMinimumRate = 1000;
constexpr uint32_t kMaximumRate = 384000;

uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Read32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// `fmt` holds the chunk's first bytes, up to the extensible format's length.
bool ReadFormat(const uint8_t* fmt, size_t size, WavLayout& layout)
{
    if (size < kFmtMinimum)
        return false;
    uint16_t tag = Read16(fmt);
    // The extensible format names its real format in the first two bytes of its GUID.
    if (tag == kFormatExtensible && size >= kExtensibleMinimum)
        tag = Read16(fmt + kSubFormatOffset);
    layout.channels = Read16(fmt + 2);
    layout.sampleRate = Read32(fmt + 4);
    layout.bitsPerSample = Read16(fmt + 14);
    return tag == kFormatPcm && (layout.channels == 1 || layout.channels == 2) &&
           (layout.bitsPerSample == 8 || layout.bitsPerSample == 16) && layout.sampleRate >= kMinimumRate &&
           layout.sampleRate <= kMaximumRate;
}

// 8-bit WAV samples are unsigned with silence at 128.
constexpr int kUnsigned8Midpoint = 128;
constexpr int kWidenFactor = 256;
}  // namespace

bool ReadWavLayout(ReadAhead& input, WavLayout& layout)
{
    layout = WavLayout();
    const uint64_t size = input.Size();
    const uint8_t* riff = input.Peek(0, kRiffHeaderSize);
    if (!riff || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    uint64_t at = kRiffHeaderSize;
    while (size - at >= kChunkHeaderSize) {
        const uint8_t* chunk = input.Peek(at, kChunkHeaderSize);
        if (!chunk)
            return false;
        const bool isFormat = std::memcmp(chunk, "fmt ", 4) == 0;
        const bool isData = std::memcmp(chunk, "data", 4) == 0;
        const uint64_t left = size - at - kChunkHeaderSize;
        uint64_t chunkSize = Read32(chunk + 4);
        if (isFormat) {
            if (chunkSize > left)
                return false;
            const size_t read = chunkSize < kExtensibleMinimum ? size_t(chunkSize) : kExtensibleMinimum;
            const uint8_t* fmt = input.Peek(at + kChunkHeaderSize, read);
            if (!fmt || !ReadFormat(fmt, size_t(chunkSize), layout))
                return false;
            haveFormat = true;
        } else if (isData) {
            if (!haveFormat)
                return false;
            if (chunkSize > left)
                chunkSize = left;
            const uint64_t frameBytes = uint64_t(layout.channels) * uint64_t(layout.bitsPerSample / 8);
            layout.dataOffset = at + kChunkHeaderSize;
            layout.dataSize = chunkSize - chunkSize % frameBytes;
            return layout.dataSize > 0;
        }
        if (chunkSize > left)
            return false;
        // Chunks are padded to an even size.
        at += kChunkHeaderSize + chunkSize + (chunkSize & 1);
        if (at > size)
            return false;
    }
    return false;
}

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
