#include "bass/wav_reader.h"

#include <cstring>

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
