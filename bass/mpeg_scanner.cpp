#include "bass/mpeg_scanner.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kHeaderSize = 4;
constexpr size_t kId3v2HeaderSize = 10;
constexpr size_t kId3v2FooterSize = 10;
constexpr uint8_t kId3v2FooterFlag = 0x10;
constexpr size_t kId3v1Size = 128;
constexpr uint32_t kMpeg1SamplesPerFrame = 1152;
constexpr uint32_t kMpeg2SamplesPerFrame = 576;
// The LAME-style extension that may follow the Xing/Info fields, written by
// LAME and by other encoders under their own names: a 9-byte encoder name, a
// byte whose upper 4 bits give the extension's revision, the encoder delay and
// padding (12 bits each) 21 bytes in, and last a CRC-16 of the frame up to it.
constexpr size_t kExtensionSize = 36;
constexpr size_t kEncoderNameSize = 9;
constexpr size_t kRevisionOffset = 9;
constexpr int kLatestRevision = 1;
constexpr size_t kDelayOffset = 21;
constexpr size_t kCrcOffset = 34;
constexpr uint16_t kCrc16Polynomial = 0xA001;  // CRC-16/ARC, bits reflected
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

bool HeaderAt(ReadAhead& input, uint64_t end, uint64_t offset, MpegFrameHeader& header)
{
    if (offset > end || end - offset < kHeaderSize)
        return false;
    const uint8_t* bytes = input.Peek(offset, kHeaderSize);
    return bytes && ParseMpegFrameHeader(bytes, kHeaderSize, header);
}

// A frame counts as found when its whole body fits and it is followed by another
// frame of the same stream, or by the end of the audio: one valid-looking header
// alone is too easy to meet by chance inside tag or garbage bytes.
bool ConfirmedFrameAt(ReadAhead& input, uint64_t end, uint64_t offset, MpegFrameHeader& header)
{
    if (!HeaderAt(input, end, offset, header) || header.frameSize > end - offset)
        return false;
    const uint64_t next = offset + header.frameSize;
    if (next == end)
        return true;
    MpegFrameHeader following;
    return HeaderAt(input, end, next, following) && SameStream(header, following);
}

size_t SideInfoSize(const MpegFrameHeader& header)
{
    if (header.version == MpegVersion::Mpeg1)
        return header.channels == 1 ? 17 : 32;
    return header.channels == 1 ? 9 : 17;
}

uint16_t Crc16(const uint8_t* data, size_t size)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t(crc >> 1 ^ kCrc16Polynomial) : uint16_t(crc >> 1);
    }
    return crc;
}

bool IsPrintable(uint8_t c)
{
    return c >= 0x20 && c < 0x7F;
}

// Whether the extension lies at `at` in the frame. Its CRC decides where it
// matches. Where it does not (some writers leave it out, some tag editors do
// not keep it up to date), the bytes must read as one: an encoder name of
// printable characters (zeros may pad it) starting with a letter, a known
// revision, and a delay or padding at all; the empty bytes or other data
// other encoders leave there do not.
bool HasGaplessExtension(const uint8_t* frame, size_t at, size_t size)
{
    if (at > size || size - at < kExtensionSize)
        return false;
    const uint8_t* extension = frame + at;
    if (Crc16(frame, at + kCrcOffset) == (extension[kCrcOffset] << 8 | extension[kCrcOffset + 1]))
        return true;
    const uint8_t first = extension[0];
    bool named = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    bool padding = false;
    for (size_t i = 1; i < kEncoderNameSize; ++i) {
        padding = padding || extension[i] == 0;
        named = named && (padding ? extension[i] == 0 : IsPrintable(extension[i]));
    }
    const uint8_t* p = extension + kDelayOffset;
    return named && extension[kRevisionOffset] >> 4 <= kLatestRevision && (p[0] | p[1] | p[2]) != 0;
}

// Reads the Xing/Info frame; true when the frame is one (and so carries no audio).
bool ReadInfoFrame(const uint8_t* frame, const MpegFrameHeader& header, MpegFormat& format)
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
    if (HasGaplessExtension(frame, at, size)) {
        const uint8_t* p = frame + at + kDelayOffset;
        format.hasGaplessInfo = true;
        format.encoderDelay = uint32_t(p[0]) << 4 | p[1] >> 4;
        format.encoderPadding = uint32_t(p[1] & 0x0F) << 8 | p[2];
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

    header.version = versionBits == 3 ? MpegVersion::Mpeg1 : versionBits == 2 ? MpegVersion::Mpeg2 : MpegVersion::Mpeg25;
    const bool mpeg1 = header.version == MpegVersion::Mpeg1;
    header.bitrate = uint32_t(mpeg1 ? kMpeg1Bitrates[bitrateIndex] : kMpeg2Bitrates[bitrateIndex]) * 1000;
    // MPEG-2 halves the MPEG-1 sample rates, MPEG-2.5 quarters them.
    header.sampleRate = kMpeg1Rates[rateIndex] / (mpeg1 ? 1 : header.version == MpegVersion::Mpeg2 ? 2 : 4);
    header.channels = (data[3] >> 6) == 3 ? 1 : 2;
    header.crcProtected = (data[1] & 1) == 0;
    header.samplesPerFrame = mpeg1 ? kMpeg1SamplesPerFrame : kMpeg2SamplesPerFrame;
    const uint32_t padding = (data[2] >> 1) & 1;
    // Bytes per frame = samples / 8 * bitrate / rate, plus one padding byte.
    header.frameSize = header.samplesPerFrame / 8 * header.bitrate / header.sampleRate + padding;
    return true;
}

uint64_t Id3v2TagsSize(ReadAhead& input)
{
    const uint64_t size = input.Size();
    uint64_t at = 0;
    while (size - at >= kId3v2HeaderSize) {
        const uint8_t* h = input.Peek(at, kId3v2HeaderSize);
        if (!h || std::memcmp(h, "ID3", 3) != 0)
            break;
        // The size is "syncsafe": four 7-bit groups; a set high bit means no real tag.
        if ((h[6] | h[7] | h[8] | h[9]) & 0x80)
            break;
        uint64_t body = uint64_t(h[6]) << 21 | uint64_t(h[7]) << 14 | uint64_t(h[8]) << 7 | h[9];
        if (h[5] & kId3v2FooterFlag)
            body += kId3v2FooterSize;
        const uint64_t left = size - at - kId3v2HeaderSize;
        if (body > left) {
            at += kId3v2HeaderSize;
            break;
        }
        at += kId3v2HeaderSize + body;
    }
    return at;
}

uint64_t Id3v1TagSize(ReadAhead& input, uint64_t begin)
{
    const uint64_t size = input.Size();
    if (size - begin < kId3v1Size)
        return 0;
    const uint8_t* tag = input.Peek(size - kId3v1Size, 3);
    return tag && std::memcmp(tag, "TAG", 3) == 0 ? kId3v1Size : 0;
}

MpegFrameReader::MpegFrameReader(ReadAhead& window) : input(window)
{
}

bool MpegFrameReader::Open(MpegFormat& format)
{
    format = MpegFormat();
    const uint64_t begin = Id3v2TagsSize(input);
    end = input.Size() - Id3v1TagSize(input, begin);
    first = begin;
    const uint64_t searchEnd = end - begin > kFrameSearchBytes ? begin + kFrameSearchBytes : end;
    // A file that can no longer be read ends the search where it fails.
    while (first < std::min(searchEnd, input.Size()) && !ConfirmedFrameAt(input, end, first, firstHeader))
        ++first;
    if (first >= std::min(searchEnd, input.Size()))
        return false;
    format.version = firstHeader.version;
    format.sampleRate = firstHeader.sampleRate;
    format.channels = firstHeader.channels;
    format.samplesPerFrame = firstHeader.samplesPerFrame;
    const uint8_t* bytes = input.Peek(first, firstHeader.frameSize);
    firstIsInfo = bytes && ReadInfoFrame(bytes, firstHeader, format);

    // A file of an Info frame alone holds no audio. Here, on the caller's
    // thread, the search for the frame runs to its end.
    Rewind();
    MpegFrame frame;
    MpegFrameHeader header;
    FrameRead read;
    while ((read = Next(frame, bytes)) == FrameRead::Later) {
    }
    if (read != FrameRead::Found || !ParseMpegFrameHeader(bytes, frame.size, header))
        return false;
    format.bitrate = header.bitrate;
    format.frameSize = frame.size;
    Rewind();
    return true;
}

void MpegFrameReader::Rewind()
{
    at = first;
    atFirst = true;
    searching = false;
    input.Retry();
}

FrameRead MpegFrameReader::Next(MpegFrame& frame, const uint8_t*& data)
{
    MpegFrameHeader header;
    uint64_t scanned = 0;
    // Where the file can no longer be read, the pass ends.
    while (at < std::min(end, input.Size())) {
        if (searching) {
            // Resynchronise on the next confirmed frame of the same stream.
            if (at - searchFrom >= kFrameSearchBytes)
                break;
            if (!(ConfirmedFrameAt(input, end, at, header) && SameStream(header, firstHeader))) {
                ++at;
                if (++scanned == kScanStepBytes)
                    return FrameRead::Later;
                continue;
            }
            searching = false;
        }
        const bool inStream = HeaderAt(input, end, at, header) && SameStream(header, firstHeader) &&
                              header.frameSize <= end - at;
        if (!inStream) {
            searching = true;
            searchFrom = ++at;
            continue;
        }
        const uint8_t* bytes = input.Peek(at, header.frameSize);
        if (!bytes)
            break;
        frame = {at, header.frameSize};
        at += header.frameSize;
        const bool isInfo = atFirst && firstIsInfo;
        atFirst = false;
        if (!isInfo) {
            data = bytes;
            return FrameRead::Found;
        }
    }
    at = end;
    searching = false;
    return FrameRead::End;
}
