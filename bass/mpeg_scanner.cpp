#include "bass/mpeg_scanner.h"

#include <cstring>

namespace {

constexpr size_t kHeaderSize = 4;
constexpr size_t kId3v2HeaderSize = 10;
constexpr size_t kId3v2FooterSize = 10;
constexpr uint8_t kId3v2FooterFlag = 0x10;
constexpr size_t kId3v1Size = 128;
constexpr uint32_t kMpeg1SamplesPerFrame = 1152;
constexpr uint32_t kMpeg2SamplesPerFrame = 576;
// The LAME tag follows the Xing/Info fields; its delay and padding sit 21 bytes
// past the start of its 9-byte encoder name.
constexpr size_t kLameDelayOffset = 21;
constexpr size_t kLameTagMinimum = kLameDelayOffset + 3;
constexpr uint32_t kXingFramesFlag = 1, kXingBytesFlag = 2, kXingTocFlag = 4, kXingQualityFlag = 8;
constexpr size_t kXingTocSize = 100;

// kbit/s by bitrate index; index 0 is free format, 15 is invalid.
constexpr uint16_t kMpeg1Bitrates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr uint16_t kMpeg2Bitrates[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr uint32_t kMpeg1Rates[3] = {44100, 48000, 32000};

uint32_t ReadBigEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool SameStream(const MpegFrameHeader& a, const MpegFrameHeader& b)
{
    return a.version == b.version && a.sampleRate == b.sampleRate && a.channels == b.channels;
}

bool HeaderAt(const uint8_t* data, size_t size, size_t offset, MpegFrameHeader& header)
{
    return offset <= size && size - offset >= kHeaderSize &&
           ParseMpegFrameHeader(data + offset, size - offset, header);
}

// A frame counts as found when its whole body fits and it is followed by another
// frame of the same stream, or by the end of the audio: one valid-looking header
// alone is too easy to meet by chance inside tag or garbage bytes.
bool ConfirmedFrameAt(const uint8_t* data, size_t end, size_t offset, MpegFrameHeader& header)
{
    if (!HeaderAt(data, end, offset, header) || header.frameSize > end - offset)
        return false;
    const size_t next = offset + header.frameSize;
    if (next == end)
        return true;
    MpegFrameHeader following;
    return HeaderAt(data, end, next, following) && SameStream(header, following);
}

size_t SideInfoSize(const MpegFrameHeader& header)
{
    if (header.version == 10)
        return header.channels == 1 ? 17 : 32;
    return header.channels == 1 ? 9 : 17;
}

// Reads the Xing/Info frame; true when the frame is one (and so carries no audio).
bool ReadInfoFrame(const uint8_t* frame, const MpegFrameHeader& header, MpegStreamInfo& info)
{
    const size_t size = header.frameSize;
    size_t at = kHeaderSize + (header.crcProtected ? 2 : 0) + SideInfoSize(header);
    if (size < at + 8)
        return false;
    if (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0)
        return false;
    const uint32_t flags = ReadBigEndian32(frame + at + 4);
    at += 8;
    if (flags & kXingFramesFlag)
        at += 4;
    if (flags & kXingBytesFlag)
        at += 4;
    if (flags & kXingTocFlag)
        at += kXingTocSize;
    if (flags & kXingQualityFlag)
        at += 4;
    if (at <= size && size - at >= kLameTagMinimum && std::memcmp(frame + at, "LAME", 4) == 0) {
        const uint8_t* p = frame + at + kLameDelayOffset;
        info.hasGaplessInfo = true;
        info.encoderDelay = uint32_t(p[0]) << 4 | p[1] >> 4;
        info.encoderPadding = uint32_t(p[1] & 0x0F) << 8 | p[2];
    }
    return true;
}

}  // namespace

bool ParseMpegFrameHeader(const uint8_t* data, size_t size, MpegFrameHeader& header)
{
    if (size < kHeaderSize || data[0] != 0xFF || (data[1] & 0xE0) != 0xE0)
        return false;
    const int versionBits = (data[1] >> 3) & 3;
    const int layerBits = (data[1] >> 1) & 3;
    const int bitrateIndex = data[2] >> 4;
    const int rateIndex = (data[2] >> 2) & 3;
    if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;

    header.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
    const bool mpeg1 = header.version == 10;
    header.bitrate = uint32_t(mpeg1 ? kMpeg1Bitrates[bitrateIndex] : kMpeg2Bitrates[bitrateIndex]) * 1000;
    header.sampleRate = kMpeg1Rates[rateIndex] / (mpeg1 ? 1 : header.version == 20 ? 2 : 4);
    header.channels = (data[3] >> 6) == 3 ? 1 : 2;
    header.crcProtected = (data[1] & 1) == 0;
    header.samplesPerFrame = mpeg1 ? kMpeg1SamplesPerFrame : kMpeg2SamplesPerFrame;
    const uint32_t padding = (data[2] >> 1) & 1;
    // Bytes per frame = samples / 8 * bitrate / rate, plus one padding byte.
    header.frameSize = header.samplesPerFrame / 8 * header.bitrate / header.sampleRate + padding;
    return true;
}

size_t Id3v2TagsSize(const uint8_t* data, size_t size)
{
    size_t at = 0;
    while (size - at >= kId3v2HeaderSize && std::memcmp(data + at, "ID3", 3) == 0) {
        const uint8_t* h = data + at;
        // The size is "syncsafe": four 7-bit groups; a set high bit means no real tag.
        if ((h[6] | h[7] | h[8] | h[9]) & 0x80)
            break;
        size_t body = size_t(h[6]) << 21 | size_t(h[7]) << 14 | size_t(h[8]) << 7 | h[9];
        if (h[5] & kId3v2FooterFlag)
            body += kId3v2FooterSize;
        const size_t left = size - at - kId3v2HeaderSize;
        if (body > left) {
            at += kId3v2HeaderSize;
            break;
        }
        at += kId3v2HeaderSize + body;
    }
    return at;
}

size_t Id3v1TagSize(const uint8_t* data, size_t size)
{
    if (size >= kId3v1Size && std::memcmp(data + size - kId3v1Size, "TAG", 3) == 0)
        return kId3v1Size;
    return 0;
}

bool ScanMpegStream(const uint8_t* data, size_t size, MpegStreamInfo& info)
{
    info = MpegStreamInfo();
    const size_t begin = Id3v2TagsSize(data, size);
    const size_t end = size - Id3v1TagSize(data + begin, size - begin);

    MpegFrameHeader first;
    size_t at = begin;
    while (at < end && !ConfirmedFrameAt(data, end, at, first))
        ++at;
    if (at >= end)
        return false;
    info.sampleRate = first.sampleRate;
    info.channels = first.channels;
    info.version = first.version;
    info.samplesPerFrame = first.samplesPerFrame;

    bool firstFrame = true;
    uint64_t audioBytes = 0;
    while (at < end) {
        MpegFrameHeader header;
        const bool inStream = HeaderAt(data, end, at, header) && SameStream(header, first) &&
                              header.frameSize <= end - at;
        if (!inStream) {
            // Resynchronise on the next confirmed frame of the same stream.
            ++at;
            while (at < end && !(ConfirmedFrameAt(data, end, at, header) && SameStream(header, first)))
                ++at;
            continue;
        }
        if (!(firstFrame && ReadInfoFrame(data + at, header, info))) {
            info.frames.push_back({uint32_t(at), header.frameSize});
            audioBytes += header.frameSize;
        }
        firstFrame = false;
        at += header.frameSize;
    }
    if (info.frames.empty())
        return false;
    const uint64_t samples = uint64_t(info.frames.size()) * info.samplesPerFrame;
    info.averageBitrate = uint32_t(audioBytes * 8 * info.sampleRate / samples);
    return true;
}
