#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Finds the MPEG audio Layer III frames of a file held in memory: skips ID3v2
// tags at the front and an ID3v1 tag at the end, resynchronises over garbage
// between frames, drops a truncated last frame, and reads the encoder's gapless
// information (Xing/Info frame with a LAME tag) when present. Every read stays
// inside the given buffer whatever its content; the caller may rely on each
// listed frame lying wholly inside it.

struct MpegFrameHeader {
    int version = 0;          // 10 = MPEG-1, 20 = MPEG-2, 25 = MPEG-2.5
    uint32_t bitrate = 0;     // bits per second
    uint32_t sampleRate = 0;  // Hz
    int channels = 0;         // 1 or 2
    uint32_t frameSize = 0;   // bytes, header included
    uint32_t samplesPerFrame = 0;
    bool crcProtected = false;
};

// Parses the four header bytes at data (size >= 4); false for anything that is
// not a Layer III header with a usable bitrate and sample rate (free format is refused).
bool ParseMpegFrameHeader(const uint8_t* data, size_t size, MpegFrameHeader& header);

// Bytes taken by the ID3v2 tags at the start of the buffer (0 when there is none).
// A tag that claims more bytes than the buffer holds counts as its header only,
// so that a corrupt size cannot hide the audio that follows it.
size_t Id3v2TagsSize(const uint8_t* data, size_t size);

// Bytes taken by a trailing ID3v1 tag ("TAG" 128 bytes before the end), or 0.
size_t Id3v1TagSize(const uint8_t* data, size_t size);

struct MpegFrame {
    uint32_t offset;
    uint32_t size;
};

struct MpegStreamInfo {
    uint32_t sampleRate = 0;
    int channels = 0;
    int version = 0;
    uint32_t samplesPerFrame = 0;
    uint32_t averageBitrate = 0;   // bits per second over the audio frames
    std::vector<MpegFrame> frames; // audio frames only, the Xing/Info frame left out
    // From a LAME tag: samples the encoder put before the audio and after its end.
    bool hasGaplessInfo = false;
    uint32_t encoderDelay = 0;
    uint32_t encoderPadding = 0;
};

// Scans the whole buffer. False when it holds no Layer III frame at all; the
// frames kept all share the first frame's version, sample rate and channel count.
bool ScanMpegStream(const uint8_t* data, size_t size, MpegStreamInfo& info);
