#pragma once
// Builders of MPEG audio and WAV byte streams for the tests: frames with a real
// header and a zero body, tags, and the Xing/LAME frame an encoder writes first.
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "bass/mpeg_scanner.h"
#include "tests/bass/in_memory.h"

using Bytes = std::vector<uint8_t>;

// MPEG-1 Layer III, 128 kbit/s, 44100 Hz, joint stereo: 1152 / 8 * 128000 / 44100 = 417 bytes.
constexpr uint8_t kMpeg1Header[4] = {0xFF, 0xFB, 0x90, 0x40};
constexpr size_t kMpeg1FrameSize = 417;

inline void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

inline Bytes Frame(const uint8_t (&header)[4], size_t size)
{
    Bytes frame(size, 0);
    std::memcpy(frame.data(), header, 4);
    return frame;
}

inline Bytes Frames(int count)
{
    Bytes out;
    for (int i = 0; i < count; ++i)
        Append(out, Frame(kMpeg1Header, kMpeg1FrameSize));
    return out;
}

// Frames whose bytes 4 and 5 number them from `first` on: the stand-in decoder
// fills each frame's samples with its number.
inline Bytes TaggedFrames(int count, int first = 1)
{
    Bytes out = Frames(count);
    for (int i = 0; i < count; ++i) {
        out[size_t(i) * kMpeg1FrameSize + 4] = uint8_t(first + i);
        out[size_t(i) * kMpeg1FrameSize + 5] = uint8_t((first + i) >> 8);
    }
    return out;
}

// CRC-16/ARC (reflected polynomial 0xA001, starting from 0), which the Info
// frame's extension carries; its check value, of "123456789", is 0xBB3D.
inline uint16_t Crc16Arc(const uint8_t* data, size_t size)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

// An ID3v2.3 tag whose header claims `declared` body bytes, followed by `actual` bytes.
inline Bytes Id3v2(uint32_t declared, size_t actual, uint8_t flags = 0)
{
    Bytes tag = {'I', 'D', '3', 3, 0, flags,
                 uint8_t(declared >> 21 & 0x7F), uint8_t(declared >> 14 & 0x7F),
                 uint8_t(declared >> 7 & 0x7F), uint8_t(declared & 0x7F)};
    tag.resize(tag.size() + actual, 'x');
    return tag;
}

inline Bytes Id3v1()
{
    Bytes tag(128, ' ');
    std::memcpy(tag.data(), "TAG", 3);
    return tag;
}

// The first frame of an encoded file: "Info" with frames, bytes and TOC
// fields, then the LAME-style extension with the encoder's 9-byte name, the
// given encoder delay and padding, and (`crc`) its CRC of the frame up to it.
inline Bytes InfoFrame(uint32_t delay, uint32_t padding, const char* name = "LAME3.100", bool crc = false)
{
    Bytes frame = Frame(kMpeg1Header, kMpeg1FrameSize);
    const size_t xing = 4 + 32;  // header + MPEG-1 stereo side information
    std::memcpy(&frame[xing], "Info", 4);
    frame[xing + 7] = 1 | 2 | 4;
    const size_t lame = xing + 8 + 4 + 4 + 100;
    std::memcpy(&frame[lame], name, 9);
    frame[lame + 21] = uint8_t(delay >> 4);
    frame[lame + 22] = uint8_t((delay & 0xF) << 4 | padding >> 8);
    frame[lame + 23] = uint8_t(padding & 0xFF);
    if (crc) {
        const uint16_t value = Crc16Arc(frame.data(), lame + 34);
        frame[lame + 34] = uint8_t(value >> 8);
        frame[lame + 35] = uint8_t(value);
    }
    return frame;
}

// Writes `count` frames: the audio frames of `file` (as `info` lists them)
// over and over, a long file made in no time from a short one.
inline bool WriteRepeatedFrames(std::ostream& out, const Bytes& file, const MpegStreamInfo& info, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const MpegFrame& frame = info.frames[i % info.frames.size()];
        out.write(reinterpret_cast<const char*>(file.data() + frame.offset), frame.size);
    }
    return out.good();
}

inline void Put16(Bytes& b, uint16_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
inline void Put32(Bytes& b, uint32_t v) { Put16(b, uint16_t(v)); Put16(b, uint16_t(v >> 16)); }
inline void PutTag(Bytes& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

// A canonical WAV: "fmt " with the given format tag, then "data" holding `samples`.
inline Bytes Wav(uint32_t rate, uint16_t channels, uint16_t bits, const std::vector<int16_t>& samples,
                 uint16_t formatTag = 1, uint32_t declaredData = 0)
{
    Bytes b;
    PutTag(b, "RIFF");
    Put32(b, 0);
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    Put32(b, 16);
    Put16(b, formatTag);
    Put16(b, channels);
    Put32(b, rate);
    Put32(b, rate * channels * bits / 8);
    Put16(b, uint16_t(channels * bits / 8));
    Put16(b, bits);
    PutTag(b, "data");
    const uint32_t dataBytes = uint32_t(samples.size() * bits / 8);
    Put32(b, declaredData ? declaredData : dataBytes);
    for (int16_t s : samples) {
        if (bits == 8)
            b.push_back(uint8_t(s));
        else
            Put16(b, uint16_t(s));
    }
    return b;
}
